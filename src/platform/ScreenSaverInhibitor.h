#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace tesk {

// Keeps the screen saver from starting while the setting asks for it. A
// machine without the service (no session bus, no screen saver) is not an
// error: there is simply nothing to keep away.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT
public:
    explicit ScreenSaverInhibitor(const QString& applicationName, QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    // Switches the prevention on or off; repeated calls with the same value
    // do nothing.
    void setInhibited(bool on);
    bool isInhibited() const { return m_requested; }
    // True while the platform has confirmed the prevention.
    bool isActive() const;

Q_SIGNALS:
    void activeChanged(bool active);

private:
    struct Private;
    std::unique_ptr<Private> d;
    QString m_applicationName;
    bool m_requested = false;
};

} // namespace tesk
