#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace tesk {

class RegistryStore;

// The layered settings store: user layer, machine layer, then the call
// server's copies (client-specific, then shared). A read takes the first
// layer with a non-blank value and yields "ERROR" when none has one; a write
// goes to every layer.
//
// Server requests go out on the active main connection and wait for the
// RETINITEXT answer in a local event loop, so sockets, timers and input keep
// running meanwhile. Requests started during such a wait are queued behind it
// and answered in order (the answers carry no key).
class SettingsStore : public QObject {
    Q_OBJECT
public:
    using MachineNameFn = std::function<QString()>;

    SettingsStore(RegistryStore& registry, MachineNameFn machineName, QObject* parent = nullptr);
    ~SettingsStore() override;

    // Registry sub-key of this installation, ending in "\" (from the
    // installation paths); set before any read or write.
    void setSettingsSubKey(const QString& subKey);
    QString settingsSubKey() const;

    // Set by the main connection at every successful connection; the server
    // layer is used only while it is set and connected.
    void SetActiveClientSocket(QAbstractSocket* socket);
    QAbstractSocket* ActiveClientSocket() const;

    // How long one server request may wait (5000 ms); tests shorten it.
    void setReplyTimeout(int ms);
    int replyTimeout() const;

    QString GetIniText(const QString& section, const QString& key);
    QString GetIniTextDef(const QString& section, const QString& key, const QString& defaultValue);
    QString GetServerIniText(const QString& section, const QString& key);
    QString GetServerIniTextDef(const QString& section, const QString& key, const QString& defaultValue);
    void SetIniText(const QString& section, const QString& key, const QString& value);

    // Typed readers used all over the program.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue);
    int ReadInt(const QString& section, const QString& key, int defaultValue);

    // The dispatcher hands every RETINITEXT value here.
    void ReceiveIniReply(const QString& value);

    RegistryStore& registry() const;

    // The name under which the server files this machine's settings (the
    // function given at construction, or the platform's machine name).
    QString MachineName() const;

    // Whether a server request is waiting for its answer or queued behind one.
    bool IsWaitingForServer() const;

private:
    struct Request;
    // The answer of one GETINITEXT, or none (no connection, time-out, lost
    // connection); it waits its turn behind any request already out.
    std::optional<QString> ServerRequest(const QString& frame);
    bool ServerConnected() const;
    void WatchSocket(QAbstractSocket* socket);
    void OnSocketStateChanged(QAbstractSocket::SocketState state);
    void OnSocketDestroyed(QObject* socket);
    void OnReplyTimeout();
    void FailFront();
    void SendNext();

    struct Private;
    Private* d;
};

} // namespace tesk
