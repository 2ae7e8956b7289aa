#include "SysRegFixture.h"

#include "common/TextHelpers.h"
#include "protocol/Framing.h"
#include "sysreg/RadioGroup.h"
#include "sysreg/ServerConnectionLink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace tesk::test {

SysRegFixture::SysRegFixture()
    : SysRegFixture(Options())
{
}

SysRegFixture::SysRegFixture(Options opts)
    : options(std::move(opts))
    , identity(temp.settings(), {})
{
    identity.ClientType = TTESKClientType::ctShow;
    server.listen();
    answer = [this](const QString& frame) -> QString {
        if (frame.startsWith(QStringLiteral("\u00A4GETSERVERVERSION:")))
            return ComposeFrame(QStringLiteral("RETSERVERVERSION"), {options.serverVersion});
        if (frame.startsWith(QStringLiteral("\u00A4GETINITEXT:"))) {
            const QString path = GetField(frame, 1, QLatin1Char(':'));
            const QString key = GetField(frame, 2, QLatin1Char(':'));
            return ComposeFrame(QStringLiteral("RETINITEXT"), {serverIni.value(path + QLatin1Char('|') + key)});
        }
        return {};
    };
    server.setResponder([this](const QString& frame) { return answer(frame); });

    SystemRegisterServices s;
    s.settings = &temp.settings();
    s.identity = &identity;
    s.messages = &messages;
    s.connection = std::make_unique<ServerConnectionLink>([this]() -> ServerConnection& { return *connection; });
    s.update.UpdateServerVersion = [this] { return updateServerVersion; };
    s.update.clearUpdateServerVersion = [this] {
        ++updateClears;
        updateServerVersion.clear();
    };
    if (options.speech) {
        speech = std::make_unique<SpeechService>(temp.settings(), messages, FakeSpeechBackend::factory(options.speech));
        s.speech = speech.get();
    }
    s.soundLabels = [this] { return options.soundLabels; };
    s.playSound = [this](const QString& alias) { played << alias; };
    s.pickFontName = [this](QWidget*, const QString& family) {
        fontAsked << family;
        return options.fontPick;
    };
    s.runModal = [this](QDialog&) { ++modalRuns; };
    s.serverSavePauseMs = options.pauseMs;
    dialog = std::make_unique<TfrmSystreg>(std::move(s));

    ServerConnection::Clock clock;
    clock.random = [](int) { return 0; };
    connection = std::make_unique<ServerConnection>(temp.settings(), identity, messages, *dialog, clock);
    dispatcher = std::make_unique<MessageDispatcher>(model, temp.settings(), identity, messages, *dialog, announcer);
    ConnectDispatcher(*connection, *dispatcher);
}

SysRegFixture::~SysRegFixture()
{
    // The connection reports its end to the dialog; it goes first.
    dispatcher.reset();
    connection.reset();
    dialog.reset();
    speech.reset();
}

bool SysRegFixture::connectToServer()
{
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(server.port()));
    connection->ConnectToServer(false);
    return waitUntil([this] { return handshakeDone(); });
}

QString SysRegFixture::state(const QString& control) const
{
    if (control.startsWith(QStringLiteral("enabled:"))) {
        const auto* w = dialog->findChild<QWidget*>(control.mid(8));
        return w ? QString::number(int(w->isEnabled())) : QStringLiteral("missing");
    }
    QObject* o = dialog->findChild<QObject*>(control);
    if (auto* g = qobject_cast<RadioGroup*>(o))
        return QString::number(g->itemIndex());
    if (auto* c = qobject_cast<QCheckBox*>(o))
        return QString::number(int(c->isChecked()));
    if (auto* b = qobject_cast<QSpinBox*>(o))
        return QString::number(b->value());
    if (auto* l = qobject_cast<QLabel*>(o))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(o))
        return e->text();
    if (auto* c = qobject_cast<QComboBox*>(o))
        return QString::number(c->currentIndex());
    return QStringLiteral("missing");
}

bool SysRegFixture::handshakeDone() const
{
    return connection->isConnected() && connection->lampColour() == ServerConnection::LampGreen;
}

QStringList SysRegFixture::storedOnServer(const QString& section) const
{
    QStringList out;
    const QString path = QStringLiteral("TESTMACHINE") + QLatin1Char('\\') + section;
    for (const QString& frame : server.frames()) {
        if (!frame.startsWith(QStringLiteral("\u00A4SETINITEXT:")))
            continue;
        // Untrimmed: the values are stored exactly as typed.
        const QStringList fields = frame.split(QLatin1Char(':'));
        if (fields.size() < 5 || fields[1] != path)
            continue;
        out << fields[2] + QLatin1Char('=') + fields[3];
    }
    return out;
}

QString SysRegFixture::local(const QString& section, const QString& key)
{
    return temp.user(section, key);
}

} // namespace tesk::test
