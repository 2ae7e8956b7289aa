#pragma once

#include "display/connection/AnnouncerPort.h"
#include "display/connection/CallListModel.h"
#include "display/connection/SystemRegisterPort.h"

#include "RecordingMessages.h"

#include <QStringList>

#include <functional>
#include <stdexcept>

namespace tesk::test {

inline QString PageName(SysRegPage page)
{
    switch (page) {
    case SysRegPage::tsServersettings: return QStringLiteral("tsServersettings");
    case SysRegPage::tsClientSettings: return QStringLiteral("tsClientSettings");
    case SysRegPage::tsVoice: return QStringLiteral("tsVoice");
    case SysRegPage::tsOvrigtShow: return QStringLiteral("tsOvrigtShow");
    case SysRegPage::tsWallScreen: return QStringLiteral("tsWallScreen");
    }
    return {};
}

// Writes every call to the dialog into one shared log, so a test sees the
// order of box, tabs and dialog together with the other ports.
class RecordingSystemRegister : public SystemRegisterPort {
public:
    explicit RecordingSystemRegister(QStringList& log)
        : m_log(log)
    {
    }

    bool visible = false;
    SysRegPage page = SysRegPage::tsServersettings;
    std::function<void()> onShowModal; // runs "inside" the modal dialog

    void SetTabs(SysRegPage p) override
    {
        page = p;
        m_log << QStringLiteral("SetTabs(%1)").arg(PageName(p));
    }
    SysRegPage currentPage() const override { return page; }
    bool isVisible() const override { return visible; }
    void ShowModalUnlessVisible() override
    {
        m_log << QStringLiteral("ShowModal");
        if (!visible && onShowModal)
            onShowModal();
    }
    void ApplyAllResources(const QString& frame) override { m_log << QStringLiteral("ApplyAllResources(%1)").arg(frame); }
    void ApplyStationResources(const QString& frame) override
    {
        m_log << QStringLiteral("ApplyStationResources(%1)").arg(frame);
    }
    void setHintPanelVisible(bool v) override { m_log << QStringLiteral("HintPanel(%1)").arg(v ? 1 : 0); }

private:
    QStringList& m_log;
};

// Records messages and also writes them into the shared log.
class LoggingMessages : public RecordingMessages {
public:
    explicit LoggingMessages(QStringList& log)
        : m_log(log)
    {
    }
    std::function<void()> onInfo; // runs "inside" the modal box

    void ShowInfoMessage(const QString& text) override
    {
        m_log << QStringLiteral("Info(%1)").arg(text);
        RecordingMessages::ShowInfoMessage(text);
        if (onInfo)
            onInfo();
    }
    bool AskYesNo(const QString& text) override
    {
        m_log << QStringLiteral("Ask(%1)").arg(text);
        return RecordingMessages::AskYesNo(text);
    }

private:
    QStringList& m_log;
};

class RecordingAnnouncer : public AnnouncerPort {
public:
    RecordingAnnouncer(QStringList& log, CallListModel& model)
        : m_log(log)
        , m_model(model)
    {
    }

    void SyncSayList() override { m_log << QStringLiteral("SyncSayList(%1)").arg(m_model.CallList.size()); }
    bool throwOnAnnounce = false;

    void AnnounceCallList(int CallerCount, int PreviousCallerCount) override
    {
        if (throwOnAnnounce)
            throw std::runtime_error("announcer failed");
        m_log << QStringLiteral("Announce(%1,%2)").arg(CallerCount).arg(PreviousCallerCount);
    }

private:
    QStringList& m_log;
    CallListModel& m_model;
};

} // namespace tesk::test
