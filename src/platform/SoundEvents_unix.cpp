#include "platform/SoundEvents.h"

#include "common/LogCategories.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QStandardPaths>

#ifdef TESK_HAVE_CANBERRA
#include <canberra.h>
#endif

#include <algorithm>

namespace tesk {

namespace {


const QString DefaultAlias = QStringLiteral(".default");

// The Windows aliases that installations have stored, mapped onto the
// freedesktop sound theme's event names.
const QHash<QString, QString>& WindowsAliases()
{
    static const QHash<QString, QString> map = {
        {QStringLiteral(".default"), QStringLiteral("bell")},
        {QStringLiteral("systemdefault"), QStringLiteral("bell")},
        {QStringLiteral("systemasterisk"), QStringLiteral("dialog-information")},
        {QStringLiteral("systemexclamation"), QStringLiteral("dialog-warning")},
        {QStringLiteral("systemhand"), QStringLiteral("dialog-error")},
        {QStringLiteral("systemquestion"), QStringLiteral("dialog-question")},
        {QStringLiteral("systemnotification"), QStringLiteral("message")},
        {QStringLiteral("notification.default"), QStringLiteral("message")},
        {QStringLiteral("mailbeep"), QStringLiteral("message-new-email")},
        {QStringLiteral("notification.mail"), QStringLiteral("message-new-email")},
        {QStringLiteral("notification.im"), QStringLiteral("message-new-instant")},
        {QStringLiteral("notification.reminder"), QStringLiteral("alarm-clock-elapsed")},
        {QStringLiteral("deviceconnect"), QStringLiteral("device-added")},
        {QStringLiteral("devicedisconnect"), QStringLiteral("device-removed")},
        {QStringLiteral("systemexit"), QStringLiteral("service-logout")},
        {QStringLiteral("windowslogon"), QStringLiteral("service-login")},
    };
    return map;
}

} // namespace

struct SoundEvents::Private {
#ifdef TESK_HAVE_CANBERRA
    ca_context* context = nullptr;
    bool broken = false;

    ~Private()
    {
        if (context)
            ca_context_destroy(context);
    }

    ca_context* get()
    {
        if (context || broken)
            return context;
        if (ca_context_create(&context) != CA_SUCCESS) {
            context = nullptr;
            broken = true;
            qCWarning(lcSound) << "no sound context; event sounds are off";
            return nullptr;
        }
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "TESK Windows Visningsklient",
                                CA_PROP_APPLICATION_ID, "se.norvalis.tesk.vistor", nullptr);
        return context;
    }
#endif
};

SoundEvents::SoundEvents()
    : d(std::make_unique<Private>())
{
}

SoundEvents::~SoundEvents() = default;

QString SoundEvents::eventId(const QString& alias)
{
    const QString key = alias.trimmed();
    if (key.isEmpty())
        return QStringLiteral("bell");
    return WindowsAliases().value(key.toLower(), key);
}

void SoundEvents::play(const QString& alias)
{
#ifdef TESK_HAVE_CANBERRA
    ca_context* c = d->get();
    if (!c)
        return;
    const QByteArray id = eventId(alias).toUtf8();
    // Asynchronous: canberra plays on its own thread and we do not wait.
    const int rc = ca_context_play(c, 0, CA_PROP_EVENT_ID, id.constData(), CA_PROP_EVENT_DESCRIPTION,
                                   "Ny kallelse", nullptr);
    if (rc != CA_SUCCESS)
        qCInfo(lcSound) << "event sound" << id << "not played:" << ca_strerror(rc);
#else
    Q_UNUSED(alias);
#endif
}

QStringList SoundEvents::labels()
{
    QStringList names;
    QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    if (!dirs.contains(QStringLiteral("/usr/share")))
        dirs << QStringLiteral("/usr/share");
    for (const QString& base : dirs) {
        const QDir stereo(base + QStringLiteral("/sounds/freedesktop/stereo"));
        const QStringList files =
            stereo.entryList({QStringLiteral("*.oga"), QStringLiteral("*.ogg"), QStringLiteral("*.wav")},
                             QDir::Files | QDir::Readable);
        for (const QString& f : files) {
            const QString name = QFileInfo(f).completeBaseName();
            if (!names.contains(name))
                names << name;
        }
    }
    std::sort(names.begin(), names.end());
    names.prepend(DefaultAlias);
    return names;
}

} // namespace tesk
