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

namespace {

// Marks a notice as open for as long as its box and dialog run, however the
// handling ends.
class NoticeOpen {
public:
    explicit NoticeOpen(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~NoticeOpen() { m_flag = false; }
    NoticeOpen(const NoticeOpen&) = delete;
    NoticeOpen& operator=(const NoticeOpen&) = delete;

private:
    bool& m_flag;
};

// A handler for one command: the first frame of it is cut out of the text
// and handed to `handle`, which says whether the message goes on.
template <typename Handle>
MessageHandler OnFrame(const QString& command, Handle handle)
{
    return [command, handle](QString& text) {
        const auto frame = FindFrame(text, command);
        if (!frame)
            return HandlerResult::Continue;
        RemoveFrame(text, *frame);
        return handle(*frame);
    };
}

} // namespace

void MessageDispatcher::HandleServerMessage(const QString& message)
{
    using R = HandlerResult;
    const std::vector<MessageHandler> handlers = {
        OnFrame(cmd::RETSERVERVERSION, [this](const FrameCut& frame) {
            if (m_versionCheck && !m_versionCheck(frame.field(1)))
                return R::Stop;
            return R::Continue;
        }),
        OnFrame(cmd::RETINITEXT, [this](const FrameCut& frame) {
            m_settings.ReceiveIniReply(frame.field(1));
            return R::Continue;
        }),
        OnFrame(cmd::TESKCLIENTDATA, [this](const FrameCut& frame) {
            m_systemRegister.setHintPanelVisible(false);
            TTESKClientData& own = m_identity.OwnClientData;
            own.Lopnr = ReadInt(frame.field(4), -1);
            own.Name = frame.field(1);
            own.FriendlyName = frame.field(2);
            own.Color = static_cast<TColor>(ReadInt(frame.field(3), 0));
            if (m_systemRegister.isVisible())
                m_systemRegister.SetTabs(SysRegPage::tsClientSettings);
            return R::Continue;
        }),
        OnFrame(cmd::RETKLINIKNAMN, [this](const FrameCut& frame) {
            m_model.kliniknamn = frame.field(1);
            Q_EMIT captionChanged(caption());
            return R::Continue;
        }),
        // The dialog asks for all callables before its station's, and the
        // refill of the first would undo the selection of the second: when
        // both answers come in one message they are applied in that order.
        OnFrame(cmd::RETALLCALLABLES, [this](const FrameCut& frame) {
            m_systemRegister.ApplyAllResources(frame.cut);
            return R::Continue;
        }),
        OnFrame(cmd::RETSTATIONCALLABLES, [this](const FrameCut& frame) {
            m_systemRegister.ApplyStationResources(frame.cut);
            return R::Continue;
        }),
        [this](QString& text) {
            const qsizetype p = text.indexOf(cmd::ErrorMark);
            if (p < 0)
                return R::Continue;
            if (text.contains(cmd::NotRegisteredError)) {
                if (m_unregisteredNoticeOpen)
                    return R::Stop;
                const NoticeOpen open(m_unregisteredNoticeOpen);
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
        OnFrame(cmd::CURRENTLIST, [this](const FrameCut& frame) {
            RebuildCallList(frame.payload(cmd::CURRENTLIST));
            return R::Continue;
        }),
    };

    try {
        RunMessagePasses(message, handlers);
    } catch (const std::exception& e) {
        m_messages.ShowInfoMessage(QStringLiteral("Error in ClientSocket1Read!\r\r") + ExceptionText(e));
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
        if (!m_emptyListNoticeOpen) {
            const NoticeOpen open(m_emptyListNoticeOpen);
            m_messages.ShowInfoMessage(QStringLiteral(
                "Det finns inga resurser att visa i listan!\rG\u00E5 till Systemregistret, fyll i \u00F6nskade "
                "resurser och tryck p\u00E5 Spara."));
            m_systemRegister.SetTabs(SysRegPage::tsClientSettings);
            m_systemRegister.ShowModalUnlessVisible();
        }
    } else if (!hadCalls) {
        Q_EMIT minimizeTimerStartRequested();
    }
    Q_EMIT boardRepaintRequested();
    m_announcer.SyncSayList();
    m_announcer.AnnounceCallList(CallerCount, PreviousCallerCount);
}

} // namespace tesk
