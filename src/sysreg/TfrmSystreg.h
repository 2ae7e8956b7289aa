#pragma once

#include "display/connection/SystemRegisterPort.h"
#include "sysreg/SystemRegisterServices.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class QPushButton;
class QTabWidget;

namespace tesk {

class ClientPage;
class SoundEvents;
class OvrigtPage;
class ServerPage;
class VoicePage;
class WallPage;

// "Systemregister": the display's settings and registration dialog, one
// instance for the life of the main window. Five pages (the server page
// always, the others only while connected, as of the last SetTabs) above
// "Spara", "Ångra" and "Återgå".
//
// Each page fills itself from the settings when it becomes current (the
// load); "Spara" stores the current page. A server save rebuilds the
// connection after a pause during which the dialog is disabled; closing the
// dialog after any "Spara" of the run reconnects.
class TfrmSystreg : public QDialog, public SystemRegisterPort {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 573;
    static constexpr int ClientHeight = 391;

    explicit TfrmSystreg(SystemRegisterServices services, QWidget* parent = nullptr);
    ~TfrmSystreg() override;

    // SystemRegisterPort
    void SetTabs(SysRegPage page) override;
    SysRegPage currentPage() const override;
    bool isVisible() const override { return QDialog::isVisible(); }
    void ShowModalUnlessVisible() override;
    void ApplyAllResources(const QString& frame) override;
    void ApplyStationResources(const QString& frame) override;
    void setHintPanelVisible(bool visible) override;

    // Fills the current page (a tab picked, SetTabs, "Ångra").
    void PageControl1Change();
    bool isTabShown(SysRegPage page) const;

    QTabWidget* PageControl1 = nullptr;
    ServerPage* tsServersettings = nullptr;
    ClientPage* tsClientSettings = nullptr;
    VoicePage* tsVoice = nullptr;
    OvrigtPage* tsOvrigtShow = nullptr;
    WallPage* tsWallScreen = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnReturn = nullptr;

    bool FClickedSpara = false;
    bool FThemeChanged() const;
    // True while a server save waits before rebuilding the connection.
    bool isPausing() const { return m_pause.isActive(); }

public Q_SLOTS:
    void btnSaveClick();
    void btnCancelClick();
    void btnReturnClick();

Q_SIGNALS:
    // A server save has rebuilt the connection (after its pause).
    void serverSaveFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void buildLayout();
    void FinishServerSave();
    QWidget* pageWidget(SysRegPage page) const;

    std::unique_ptr<SoundEvents> m_sounds; // when no player was given
    SystemRegisterServices m_services;
    SysRegConnection& m_connection;
    QTimer m_pause;
    quint64 m_loadGeneration = 0;
    bool m_settingTabs = false;
};

} // namespace tesk
