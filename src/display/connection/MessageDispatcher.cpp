#include "display/connection/MessageDispatcher.h"

#include "common/ClientIdentity.h"
#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"
#include "display/connection/AnnouncerPort.h"
#include "display/connection/CallListModel.h"
#include "display/connection/CallListParser.h"
#include "display/connection/SystemRegisterPort.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <exception>
#include <vector>

namespace tesk {

MessageDispatcher::MessageDispatcher(CallListModel& model, SettingsStore& settings, ClientIdentity& identity,
                                     UserMessages& messages, SystemRegisterPort& systemRegister,
                                     AnnouncerPort& announcer, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_settings(settings)
    , m_identity(identity)
    , m_messages(messages)
    , m_systemRegister(systemRegister)
    , m_announcer(announcer)
    , m_productVersion(QStringLiteral(TESK_VERSION_STRING))
{
}

QString MessageDispatcher::caption() const
{
    return QStringLiteral("TESK Windows Visningsklient - ") + m_model.kliniknamn + QStringLiteral("  version: ")
        + m_productVersion;
}

void MessageDispatcher::HandleServerMessage(const QString& message)
{
    using R = HandlerResult;
    const std::vector<MessageHandler> handlers = {
        [this](QString& text) {
            const auto frame = FindFrame(text, cmd::RETSERVERVERSION);
            if (!frame)
                return R::Continue;
            const QString version = frame->field(1);
            RemoveFrame(text, *frame);
            if (m_versionCheck && !m_versionCheck(version))
                return R::Stop;
            return R::Continue;
        },
        [this](QString& text) {
            const auto frame = FindFrame(text, cmd::RETINITEXT);
            if (!frame)
                return R::Continue;
            const QString value = frame->field(1);
            RemoveFrame(text, *frame);
            m_settings.ReceiveIniReply(value);
            return R::Continue;
        },
        [this](QString& text) {
            const auto frame = FindFrame(text, cmd::TESKCLIENTDATA);
            if (!frame)
                return R::Continue;
            RemoveFrame(text, *frame);
            m_systemRegister.setHintPanelVisible(false);
            TTESKClientData& own = m_identity.OwnClientData;
            own.Lopnr = ReadInt(frame->field(4), -1);
            own.Name = frame->field(1);
            own.FriendlyName = frame->field(2);
            own.Color = static_cast<TColor>(ReadInt(frame->field(3), 0));
            if (m_systemRegister.isVisible())
                m_systemRegister.SetTabs(SysRegPage::tsClientSettings);
            return R::Continue;
        },
        [this](QString& text) {
            const auto frame = FindFrame(text, cmd::RETKLINIKNAMN);
            if (!frame)
                return R::Continue;
            RemoveFrame(text, *frame);
            m_model.kliniknamn = frame->field(1);
            Q_EMIT captionChanged(caption());
            return R::Continue;
        },
        [this](QString& text) {
            const auto frame = FindFrame(text, cmd::RETALLCALLABLES);
            if (!frame)
                return R::Continue;
            RemoveFrame(text, *frame);
            m_systemRegister.ApplyAllResources(frame->cut);
            return R::Continue;
        },
        [this](QString& text) {
            const auto frame = FindFrame(text, cmd::RETSTATIONCALLABLES);
            if (!frame)
                return R::Continue;
            RemoveFrame(text, *frame);
            m_systemRegister.ApplyStationResources(frame->cut);
            return R::Continue;
        },
        [this](QString& text) {
            const qsizetype p = text.indexOf(cmd::ErrorMark);
            if (p < 0)
                return R::Continue;
            if (text.contains(cmd::NotRegisteredError)) {
                m_messages.ShowInfoMessage(QStringLiteral(
                    "Klienten finns inte i databasen!\rG\u00E5 till Systemregistret, fyll i Klientnamn/plats, "
                    "v\u00E4lj en f\u00E4rg och tryck p\u00E5 L\u00E4gg till."));
                m_systemRegister.setHintPanelVisible(true);
                m_systemRegister.SetTabs(SysRegPage::tsClientSettings);
                m_systemRegister.ShowModalUnlessVisible();
            } else {
                m_messages.ShowInfoMessage(QStringLiteral("Servern svarade med f\u00F6ljande fel: ")
                                           + text.mid(p + cmd::ErrorMark.size() + 1));
            }
            return R::Stop;
        },
        [this](QString& text) {
            const auto frame = FindFrame(text, cmd::CURRENTLIST);
            if (!frame)
                return R::Continue;
            RemoveFrame(text, *frame);
            RebuildCallList(frame->payload(cmd::CURRENTLIST));
            return R::Continue;
        },
    };

    try {
        RunMessagePasses(message, handlers);
    } catch (const std::exception& e) {
        m_messages.ShowInfoMessage(QStringLiteral("Error in ClientSocket1Read!\r\r") + QString::fromLocal8Bit(e.what()));
    }
}

void MessageDispatcher::RebuildCallList(const QString& payload)
{
    // Counts are taken now and kept in locals: the box and the dialog below
    // run nested event loops in which another list may replace this one.
    const int PreviousCallerCount = m_model.callerCount();
    const bool hadCalls = !m_model.CallList.empty();

    ParsedCallList parsed = ParseCurrentList(payload);
    const int CallerCount = parsed.CallerCount;
    m_model.replaceCallList(std::move(parsed));

    if (m_model.CallList.empty()) {
        m_messages.ShowInfoMessage(QStringLiteral(
            "Det finns inga resurser att visa i listan!\rG\u00E5 till Systemregistret, fyll i \u00F6nskade "
            "resurser och tryck p\u00E5 Spara."));
        m_systemRegister.SetTabs(SysRegPage::tsClientSettings);
        m_systemRegister.ShowModalUnlessVisible();
    } else if (!hadCalls) {
        Q_EMIT minimizeTimerStartRequested();
    }
    Q_EMIT boardRepaintRequested();
    m_announcer.SyncSayList();
    m_announcer.AnnounceCallList(CallerCount, PreviousCallerCount);
}

} // namespace tesk
