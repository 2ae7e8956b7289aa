#pragma once

#include <QString>

namespace tesk {

// The pages of the system register dialog, in tab order.
enum class SysRegPage { tsServersettings, tsClientSettings, tsVoice, tsOvrigtShow, tsWallScreen };

// What the connection and the dispatcher need from the system register
// dialog. The dialog implements it; until it exists the main window passes
// NoSystemRegister, and tests pass a recorder.
class SystemRegisterPort {
public:
    virtual ~SystemRegisterPort() = default;

    // Recomputes the visible tabs, makes `page` current where its tab is
    // shown and reloads the current page. Does not show the dialog.
    virtual void SetTabs(SysRegPage page) = 0;
    virtual SysRegPage currentPage() const = 0;
    virtual bool isVisible() const = 0;
    // Runs the dialog modally (a nested event loop) unless it is already
    // visible, in which case it returns at once.
    virtual void ShowModalUnlessVisible() = 0;

    // The client page's lists. `frame` is the cut frame: field k (from 1,
    // separator ":") is the k-th field of the payload.
    virtual void ApplyAllResources(const QString& frame) = 0;
    virtual void ApplyStationResources(const QString& frame) = 0;

    // The client page's hint panel (pnlPlats); shown means in front of the
    // other controls.
    virtual void setHintPanelVisible(bool visible) = 0;
};

// Stands in for the dialog while the program has none: never visible,
// never shown.
class NoSystemRegister : public SystemRegisterPort {
public:
    void SetTabs(SysRegPage page) override { m_page = page; }
    SysRegPage currentPage() const override { return m_page; }
    bool isVisible() const override { return false; }
    void ShowModalUnlessVisible() override {}
    void ApplyAllResources(const QString&) override {}
    void ApplyStationResources(const QString&) override {}
    void setHintPanelVisible(bool) override {}

private:
    SysRegPage m_page = SysRegPage::tsServersettings;
};

} // namespace tesk
