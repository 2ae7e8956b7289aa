#include "sysreg/ClientPage.h"

namespace tesk {

ClientPage::ClientPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("tsClientSettings"));
}

void ClientPage::load(const LoadStillCurrent&)
{
}

void ClientPage::save()
{
}

void ClientPage::ApplyAllResources(const QString&)
{
}

void ClientPage::ApplyStationResources(const QString&)
{
}

void ClientPage::setHintPanelVisible(bool visible)
{
    m_hintShown = visible;
}

void ClientPage::UnbindTargetList()
{
}

} // namespace tesk
