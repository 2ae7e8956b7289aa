#include "sysreg/ServerPage.h"

#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"
#include "sysreg/FormValues.h"
#include "sysreg/SysRegConnection.h"
#include "sysreg/UpdateClientLink.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyle>
#include <QStyleFactory>

#include <limits>

namespace tesk {

namespace {
const QString Section = QStringLiteral("ServerSettings");
const QString RestartNeeded = QStringLiteral("Du måste starta om programmet för att temat skall ändras.");

QSpinBox* PortBox(QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    box->setMinimumWidth(90);
    return box;
}
} // namespace

ServerPage::ServerPage(SettingsStore& settings, SysRegConnection& connection, const UpdateClientLink& update,
                       UserMessages& messages, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_connection(connection)
    , m_update(update)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("tsServersettings"));

    edServername = new QLineEdit(this);
    edServername->setObjectName(QStringLiteral("edServername"));
    edServername->setPlaceholderText(QStringLiteral("Ange serverns namn eller IP-adress i formatet ###.###.###.###"));
    edServerport = PortBox(this);
    edServerport->setObjectName(QStringLiteral("edServerport"));
    edServerver = new QLineEdit(this);
    edServerver->setObjectName(QStringLiteral("edServerver"));
    edServerver->setReadOnly(true);

    edUpdateServername = new QLineEdit(this);
    edUpdateServername->setObjectName(QStringLiteral("edUpdateServername"));
    edUpdateServername->setPlaceholderText(
        QStringLiteral("Ange uppdateringsserverns namn eller IP-adress i formatet ###.###.###.###"));
    edUpdateServername->setReadOnly(true);
    edUpdateServerport = PortBox(this);
    edUpdateServerport->setObjectName(QStringLiteral("edUpdateServerport"));
    edUpdateServerport->setReadOnly(true);
    edUpdateServerport->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edUpdateServerver = new QLineEdit(this);
    edUpdateServerver->setObjectName(QStringLiteral("edUpdateServerver"));
    edUpdateServerver->setReadOnly(true);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(160);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(2, 1);
    int row = 0;
    auto addRow = [&](const QString& caption, QWidget* field, bool wide) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        if (wide)
            grid->addWidget(field, row, 1, 1, 2);
        else
            grid->addWidget(field, row, 1);
        ++row;
    };
    addRow(QStringLiteral("Servernamn/IP-adress:"), edServername, true);
    addRow(QStringLiteral("Serverport:"), edServerport, false);
    addRow(QStringLiteral("Serverversion:"), edServerver, false);
    grid->setRowMinimumHeight(row++, 10);
    addRow(QStringLiteral("Uppdatering Servernamn/IP-adress:"), edUpdateServername, true);
    addRow(QStringLiteral("Serverport:"), edUpdateServerport, false);
    addRow(QStringLiteral("Serverversion:"), edUpdateServerver, false);
    grid->setRowMinimumHeight(row++, 10);
    addRow(QStringLiteral("Utseende:"), ComboBox1, false);
    grid->setRowStretch(row, 1);

    fillStyles();
    connect(ComboBox1, &QComboBox::activated, this, [this] { FThemeChanged = true; });
}

void ServerPage::fillStyles()
{
    ComboBox1->clear();
    ComboBox1->addItems(QStyleFactory::keys());
    // Qt names its styles in lower case, the factory capitalised.
    const QString inUse = QApplication::style() ? QApplication::style()->name() : QString();
    int found = -1;
    for (int i = 0; i < ComboBox1->count() && !inUse.isEmpty(); ++i) {
        if (ComboBox1->itemText(i).compare(inUse, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    ComboBox1->setCurrentIndex(found);
}

void ServerPage::load(const LoadStillCurrent& stillCurrent)
{
    const QString name = m_settings.GetIniText(Section, QStringLiteral("ServerName"));
    if (!stillCurrent())
        return;
    edServername->setText(name);
    const int port = m_settings.ReadInt(Section, QStringLiteral("ServerPort"), 0);
    if (!stillCurrent())
        return;
    edServerport->setValue(port);
    edServerver->setText(m_connection.ServerVersion());

    // These live only on the server: with the connection up, each read asks
    // it and waits for the answer.
    const QString updateName =
        m_settings.GetServerIniTextDef(Section, QStringLiteral("UpdateServerName"), edServername->text());
    if (!stillCurrent())
        return;
    edUpdateServername->setText(updateName);
    const QString updatePort = m_settings.GetServerIniText(Section, QStringLiteral("UpdateServerPort"));
    if (!stillCurrent())
        return;
    edUpdateServerport->setValue(ReadInt(updatePort, edServerport->value()));
    edUpdateServerver->setText(m_update.updateServerVersion());
}

bool ServerPage::save()
{
    if (HoldsFrameSign(edServername->text())) {
        m_messages.ShowInfoBalloon(FrameSignRefused, window());
        return false;
    }
    if (FThemeChanged) {
        m_settings.SetIniText(QStringLiteral("KlientSettings"), QStringLiteral("Style"), ComboBox1->currentText());
        m_messages.ShowInfoBalloon(RestartNeeded, window());
    }
    m_settings.SetIniText(Section, QStringLiteral("ServerName"), edServername->text());
    m_settings.SetIniText(Section, QStringLiteral("ServerPort"), QString::number(SpinBoxValue(*edServerport, 0)));
    return true;
}

} // namespace tesk
