#include "InformationRequest.h"

#include "common/ClientIdentity.h"
#include "common/LogFile.h"
#include "common/SettingsStore.h"
#include "common/VersionInfo.h"
#include "common/ui/SwedishTranslation.h"
#include "common/ui/WidgetMessages.h"
#include "display/MainWindow.h"
#include "platform/MachineName.h"
#include "platform/PlatformRegistry.h"
#include "platform/PowerEvents.h"
#include "platform/SessionEvents.h"
#include "platform/SingleInstance.h"
#include "platform/StateFolder.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>

using namespace tesk;

namespace {
const QString InstanceName = QStringLiteral("TESK_WVistor");
const QString ApplicationTitle = QStringLiteral("TESK Windows Vistor");
constexpr int NormalEnd = 1;   // after the window ended the program
constexpr int HandedOver = 0;  // a running program was brought forward instead
}

int main(int argc, char* argv[])
{
    // Answered before the application object exists: no display is needed.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<QString> text = InformationRequest(arguments)) {
        std::fputs(text->toUtf8().constData(), stdout);
        return 0;
    }

    // Standard error (the journal) and a small rotating file for IT, before
    // the application object: what Qt says while it starts (no display, a
    // missing platform plugin) is what IT looks for when a kiosk stays dark.
    LogFile::Options logOptions;
    logOptions.folder = StateFolder() + QStringLiteral("/Norvalis/TESK");
    LogFile log(logOptions);
    log.install();

    QApplication app(argc, argv);
    app.setApplicationName(ApplicationTitle);
    app.setOrganizationName(QStringLiteral(TESK_COMPANY));
    // The window lives on in the tray while hidden; the program ends only
    // when the window says so, never because a dialog was the last window.
    app.setQuitOnLastWindowClosed(false);

    // Before the settings: a remote session's machine name that cannot be
    // found is explained in a box.
    WidgetMessages messages;
    std::unique_ptr<RegistryStore> registry = CreatePlatformRegistryStore();
    SettingsStore settings(*registry, [&messages] {
        return GetMachineName([&messages](const QString& text) { messages.ShowInfoMessage(text); });
    });
    ClientIdentity identity(settings, app.arguments().mid(1));

    SingleInstance instance(InstanceName);
    if (!instance.tryAcquire()) {
        if (identity.GetParamValue(QStringLiteral("RESTARTING"), true) != QStringLiteral("1")) {
            instance.activateRunning();
            return HandedOver;
        }
        // A restart after an update: the old program is on its way out.
        instance.acquireWhenFree();
    }

    InstallSwedishTranslation(app);
    SessionEvents session;

    TCEVersionInfo version;

    MainWindowServices services;
    services.settings = &settings;
    services.identity = &identity;
    services.messages = &messages;
    services.productVersion = version.ProductVersion();
    services.createUpdateClient = [&](TfrmTeskShowMain& w) {
        return std::make_unique<UpdateClient>(settings, identity, messages, w.paths);
    };
    services.createPowerEvents = [] { return std::make_unique<PowerEvents>(); };

    TfrmTeskShowMain window(std::move(services));
    messages.setDialogParent(&window);
    QObject::connect(&window, &TfrmTeskShowMain::programEnded, &app, [] { QCoreApplication::exit(NormalEnd); });
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     &TfrmTeskShowMain::ActivateFromOtherInstance);
    QObject::connect(&session, &SessionEvents::sessionEndQueried, &window, &TfrmTeskShowMain::QueryEndSession);
    QObject::connect(&session, &SessionEvents::sessionEnding, &window, &TfrmTeskShowMain::EndSession);

    // A theme name that this Qt does not know is ignored without a word.
    const QString style = settings.GetIniText(QStringLiteral("KlientSettings"), QStringLiteral("Style"));
    for (const QString& key : QStyleFactory::keys()) {
        if (key.compare(style, Qt::CaseInsensitive) == 0) {
            QApplication::setStyle(key);
            break;
        }
    }

    window.show();
    app.exec();
    return NormalEnd;
}
