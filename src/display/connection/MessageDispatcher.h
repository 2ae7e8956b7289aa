#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace tesk {

class AnnouncerPort;
class CallListModel;
class ClientIdentity;
class SettingsStore;
class SystemRegisterPort;
class UserMessages;

// Handles every message text that the main connection assembles. Each pass
// looks for its commands in a fixed order, handles at most the first frame
// of each and removes it; passes repeat while they change the text:
//   RETSERVERVERSION (the connection's version check; a refusal drops the
//   rest), RETINITEXT, TESKCLIENTDATA, RETKLINIKNAMN, RETALLCALLABLES,
//   RETSTATIONCALLABLES, error reports (end the message), CURRENTLIST.
// RETALLCALLABLES goes before RETSTATIONCALLABLES, the order in which the
// dialog asks for them: the station answer selects entries in the list the
// other one fills, so the other order would undo the selection.
//
// The notices for an empty call list and for an unregistered client run a
// modal box and the dialog, during which the server may send the same news
// again (an unconfigured display gets an empty list at every change in the
// clinic). A repeat that arrives while its notice is still open does not
// stack another box on it; everything else of its handling runs.
//
// Any failure inside a pass is shown as "Error in ClientSocket1Read!\r\r" +
// its message; the rest of that message is dropped.
class MessageDispatcher : public QObject {
    Q_OBJECT
public:
    // Gets the version text; returns false when the version is refused (the
    // rest of the message is then dropped).
    using VersionCheck = std::function<bool(const QString& versionText)>;

    MessageDispatcher(CallListModel& model, SettingsStore& settings, ClientIdentity& identity,
                      UserMessages& messages, SystemRegisterPort& systemRegister, AnnouncerPort& announcer,
                      QObject* parent = nullptr);

    void setVersionCheck(VersionCheck check) { m_versionCheck = std::move(check); }
    // Shown in the caption after the clinic name; the build's version by default.
    void setProductVersion(const QString& version) { m_productVersion = version; }

    void HandleServerMessage(const QString& text);

    // "TESK Windows Visningsklient - " + kliniknamn + "  version: " + version.
    QString caption() const;

Q_SIGNALS:
    void captionChanged(const QString& caption);
    // The first non-empty call list after an empty one (or after start).
    void minimizeTimerStartRequested();
    void boardRepaintRequested();

private:
    void RebuildCallList(const QString& payload);

    CallListModel& m_model;
    SettingsStore& m_settings;
    ClientIdentity& m_identity;
    UserMessages& m_messages;
    SystemRegisterPort& m_systemRegister;
    AnnouncerPort& m_announcer;
    VersionCheck m_versionCheck;
    QString m_productVersion;
    bool m_emptyListNoticeOpen = false;
    bool m_unregisteredNoticeOpen = false;
};

} // namespace tesk
