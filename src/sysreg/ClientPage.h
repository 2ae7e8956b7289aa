#pragma once

#include "sysreg/PageLoad.h"

#include <QString>
#include <QWidget>

namespace tesk {

// "Klientinställningar": this client's name, the resources it shows and
// its registration with the server. For now the page carries only what the
// dialog and the dispatcher talk to; its controls and requests come with
// the client-page work.
class ClientPage : public QWidget {
    Q_OBJECT
public:
    explicit ClientPage(QWidget* parent = nullptr);

    void load(const LoadStillCurrent& stillCurrent);
    void save();

    // The dispatcher's answers to the page's requests (the cut frames).
    void ApplyAllResources(const QString& frame);
    void ApplyStationResources(const QString& frame);

    // The hint over the resource lists (pnlPlats): shown from the start
    // until the server first sends this client's data.
    void setHintPanelVisible(bool visible);
    bool isHintPanelShown() const { return m_hintShown; }

    // The list that the next all-resources answer fills is let go when the
    // dialog closes.
    void UnbindTargetList();

private:
    bool m_hintShown = true;
};

} // namespace tesk
