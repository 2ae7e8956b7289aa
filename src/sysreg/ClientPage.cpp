#include "sysreg/ClientPage.h"

#include "common/ClientIdentity.h"
#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"
#include "common/VersionCompare.h"
#include "display/board/HlsColor.h"
#include "protocol/Commands.h"
#include "sysreg/SysRegConnection.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tesk {

namespace {
const QString Section = QStringLiteral("TESK");
// Servers from this version on keep a station's own choice of resources.
const QString StationListsVersion = QStringLiteral("1.10.4");
constexpr int NumberRole = Qt::UserRole;

QPushButton* ArrowButton(const QString& name, QStyle::StandardPixmap arrow, QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setIcon(parent->style()->standardIcon(arrow));
    b->setAutoDefault(false);
    return b;
}

// A payload's fields as GetField sees them (from 0, trimmed), split once.
class Fields {
public:
    explicit Fields(const QString& frame)
        : m_parts(frame.split(QLatin1Char(':')))
    {
    }
    QString operator[](qsizetype k) const { return k < m_parts.size() ? TrimBlank(m_parts[k]) : QString(); }

private:
    QStringList m_parts;
};

QListWidgetItem* Entry(const QString& text, int number)
{
    auto* item = new QListWidgetItem(text);
    item->setData(NumberRole, number);
    return item;
}
} // namespace

ClientPage::ClientPage(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                       SysRegConnection& connection, PickColour pickColour, CallListLopnrs callList, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_identity(identity)
    , m_messages(messages)
    , m_connection(connection)
    , m_pickColour(std::move(pickColour))
    , m_callList(std::move(callList))
{
    setObjectName(QStringLiteral("tsClientSettings"));
    buildLayout();
    setSwatchColour(m_colour);

    connect(RadioButton1, &QRadioButton::toggled, this, &ClientPage::nameChoiceChanged);
    connect(Edit2, &QLineEdit::textEdited, this, &ClientPage::Edit2Change);
    connect(BitBtn1, &QPushButton::clicked, this, &ClientPage::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &ClientPage::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &ClientPage::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &ClientPage::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &ClientPage::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &ClientPage::BitBtn6Click);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &ClientPage::BitBtn1Click);
    connect(ListBox2, &QListWidget::itemDoubleClicked, this, &ClientPage::BitBtn2Click);
}

void ClientPage::buildLayout()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Klientnamn"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    RadioButton1 = new QRadioButton(QStringLiteral("Automatiskt (datornamn +program typ)"), GroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEnabled(false);
    RadioButton2 = new QRadioButton(QStringLiteral("Manuellt"), GroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEnabled(false);
    RadioButton1->setChecked(true);
    auto* names = new QGridLayout(GroupBox1);
    names->setContentsMargins(8, 2, 8, 4);
    names->setVerticalSpacing(3);
    names->addWidget(RadioButton1, 0, 0);
    names->addWidget(Edit1, 0, 1);
    names->addWidget(RadioButton2, 1, 0);
    names->addWidget(Edit2, 1, 1);
    names->setColumnStretch(1, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("Resurser att visa/kalla"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    ListBox1 = new QListWidget(GroupBox2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox2 = new QListWidget(GroupBox2);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    ListBox2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    BitBtn1 = ArrowButton(QStringLiteral("BitBtn1"), QStyle::SP_ArrowRight, GroupBox2);
    BitBtn2 = ArrowButton(QStringLiteral("BitBtn2"), QStyle::SP_ArrowLeft, GroupBox2);
    BitBtn3 = ArrowButton(QStringLiteral("BitBtn3"), QStyle::SP_ArrowUp, GroupBox2);
    BitBtn4 = ArrowButton(QStringLiteral("BitBtn4"), QStyle::SP_ArrowDown, GroupBox2);
    auto* lists = new QGridLayout(GroupBox2);
    lists->setContentsMargins(8, 2, 8, 4);
    lists->setVerticalSpacing(2);
    lists->addWidget(new QLabel(QStringLiteral("Alla resurser"), GroupBox2), 0, 0);
    lists->addWidget(new QLabel(QStringLiteral("Valda resurser"), GroupBox2), 0, 2);
    lists->addWidget(ListBox1, 1, 0, 2, 1);
    lists->addWidget(BitBtn1, 1, 1, Qt::AlignBottom);
    lists->addWidget(BitBtn2, 2, 1, Qt::AlignTop);
    lists->addWidget(ListBox2, 1, 2, 2, 1);
    lists->addWidget(BitBtn3, 1, 3, Qt::AlignBottom);
    lists->addWidget(BitBtn4, 2, 3, Qt::AlignTop);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);

    pnlPlats = new QLabel(QStringLiteral("Välj Plats och färg och tryck på \"Lägg till/uppdatera klient...\""), this);
    pnlPlats->setObjectName(QStringLiteral("pnlPlats"));
    pnlPlats->setAlignment(Qt::AlignCenter);
    pnlPlats->setWordWrap(true);
    pnlPlats->setFrameShape(QFrame::Panel);
    pnlPlats->setFrameShadow(QFrame::Raised);
    pnlPlats->setAutoFillBackground(true);

    GroupBox3 = new QGroupBox(QStringLiteral("Övriga klientuppgifter"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    Edit3 = new QLineEdit(GroupBox3);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Panel6 = new QLabel(QStringLiteral("Färg"), GroupBox3);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setAlignment(Qt::AlignCenter);
    Panel6->setFrameShape(QFrame::Panel);
    Panel6->setFrameShadow(QFrame::Sunken);
    Panel6->setAutoFillBackground(true);
    Panel6->setMinimumWidth(60);
    BitBtn5 = new QPushButton(QStringLiteral("Välj färg..."), GroupBox3);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    BitBtn5->setAutoDefault(false);
    BitBtn6 = new QPushButton(QStringLiteral("Lägg till/uppdatera klientuppgifter"), GroupBox3);
    BitBtn6->setObjectName(QStringLiteral("BitBtn6"));
    BitBtn6->setAutoDefault(false);
    auto* place = new QHBoxLayout(GroupBox3);
    place->setContentsMargins(8, 2, 8, 4);
    auto* placeLabel = new QLabel(QStringLiteral("Plats:"), GroupBox3);
    placeLabel->setBuddy(Edit3);
    place->addWidget(placeLabel);
    place->addWidget(Edit3, 1);
    place->addWidget(Panel6);
    place->addWidget(BitBtn5);
    place->addWidget(BitBtn6);

    // The hint lies exactly over the resource group while it is shown.
    auto* resources = new QGridLayout;
    resources->addWidget(GroupBox2, 0, 0);
    resources->addWidget(pnlPlats, 0, 0);
    pnlPlats->raise();

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 6);
    page->setSpacing(4);
    page->addWidget(GroupBox1);
    page->addLayout(resources, 1);
    page->addWidget(GroupBox3);
}

void ClientPage::setSwatchColour(std::uint32_t colour)
{
    m_colour = colour;
    QPalette p = Panel6->palette();
    p.setColor(QPalette::Window, ToQColor(colour));
    Panel6->setPalette(p);
}

int ClientPage::entryNumber(const QListWidgetItem* item)
{
    return item ? item->data(NumberRole).toInt() : 0;
}

bool ClientPage::stationListsSupported() const
{
    // Number by number: "1.10.10" is newer than "1.10.4", "1.9.2" older.
    return CompareDottedVersions(m_connection.ServerVersion(), StationListsVersion) >= 0;
}

bool ClientPage::frameSafe(const QString& text) const
{
    return !text.contains(QLatin1Char(':')) && !text.contains(QChar(0x00A4));
}

void ClientPage::load(const LoadStillCurrent& stillCurrent)
{
    const QString manual = m_settings.GetIniTextDef(Section, QStringLiteral("ClientName"), QString());
    if (!stillCurrent())
        return;
    Edit2->setText(manual);
    const bool automatic =
        m_settings.GetIniTextDef(Section, QStringLiteral("ClientNameUseDefault"), QStringLiteral("1"))
        == QLatin1String("1");
    if (!stillCurrent())
        return;
    (automatic ? RadioButton1 : RadioButton2)->setChecked(true);
    Edit2->setEnabled(!automatic);
    Edit1->setText(m_identity.GetMachineName() + QLatin1Char('_')
                   + ClientIdentity::ClientTypeNames().value(static_cast<int>(m_identity.ClientType)));
    Edit3->setText(m_identity.OwnClientData.FriendlyName);
    setSwatchColour(m_identity.OwnClientData.Color);

    // The name may wait for the server as well: read once, so that a load
    // overtaken meanwhile sends nothing and both requests carry one name.
    const QString clientName = m_identity.GetClientName();
    if (!stillCurrent())
        return;
    m_targetBound = true;
    m_connection.SendFrame(cmd::GETALLCALLABLES, {clientName});
    if (stationListsSupported())
        m_connection.SendFrame(cmd::GETSTATIONCALLABLES, {clientName});
}

void ClientPage::nameChoiceChanged()
{
    const bool automatic = RadioButton1->isChecked();
    Edit2->setEnabled(!automatic);
    m_settings.SetIniText(Section, QStringLiteral("ClientNameUseDefault"),
                          automatic ? QStringLiteral("1") : QStringLiteral("0"));
}

void ClientPage::Edit2Change(const QString& text)
{
    // The name goes into every frame the client sends: a ":" or "¤" typed
    // is not stored, the last name without one stays in use.
    if (frameSafe(text))
        m_settings.SetIniText(Section, QStringLiteral("ClientName"), text);
}

void ClientPage::ApplyAllResources(const QString& frame)
{
    if (!m_targetBound)
        return;
    ListBox1->clear();
    ListBox2->clear();
    const Fields f(frame);
    for (qsizetype p = 0;; ++p) {
        const QString name = f[7 * p + 1];
        if (name.isEmpty())
            break;
        const int number = ReadInt(f[7 * p + 2], 0);
        const QString text = f[7 * p + 7] == QLatin1String("F") ? name + Inactive : name;
        ListBox1->addItem(Entry(text, number));
    }

    if (stationListsSupported())
        return;
    // An older server keeps no station choice: start from the resources
    // the call list shows.
    const QList<int> shown = m_callList ? m_callList() : QList<int>();
    for (int lopnr : shown) {
        if (QListWidgetItem* item = findNumber(ListBox1, lopnr)) {
            item->setSelected(true);
            ListBox2->addItem(Entry(item->text(), lopnr));
        }
    }
    for (QListWidgetItem* item : ListBox1->selectedItems())
        delete item;
    m_targetBound = false;
}

void ClientPage::ApplyStationResources(const QString& frame)
{
    const Fields f(frame);
    for (qsizetype h = 0;; ++h) {
        const QString value = f[2 * h + 1];
        if (value.isEmpty())
            break;
        if (QListWidgetItem* item = findNumber(ListBox1, ReadInt(value, 0))) {
            item->setSelected(true);
            BitBtn1Click();
        }
    }
}

QListWidgetItem* ClientPage::findNumber(QListWidget* list, int number) const
{
    for (int i = 0; i < list->count(); ++i) {
        if (entryNumber(list->item(i)) == number)
            return list->item(i);
    }
    return nullptr;
}

void ClientPage::BitBtn1Click()
{
    QList<QListWidgetItem*> chosen;
    for (int i = 0; i < ListBox1->count(); ++i) {
        if (ListBox1->item(i)->isSelected())
            chosen << ListBox1->item(i);
    }
    if (chosen.isEmpty()) {
        if (QListWidgetItem* focused = ListBox1->currentItem())
            ListBox2->addItem(Entry(focused->text(), entryNumber(focused)));
        return;
    }
    for (QListWidgetItem* item : chosen)
        ListBox2->addItem(Entry(item->text(), entryNumber(item)));
    qDeleteAll(chosen);
}

void ClientPage::BitBtn2Click()
{
    QList<QListWidgetItem*> chosen;
    for (int i = 0; i < ListBox2->count(); ++i) {
        if (ListBox2->item(i)->isSelected())
            chosen << ListBox2->item(i);
    }
    for (QListWidgetItem* item : chosen) {
        const int number = entryNumber(item);
        if (number == 1 && findNumber(ListBox1, 1))
            continue;
        ListBox1->addItem(Entry(item->text(), number));
    }
    qDeleteAll(chosen);
}

void ClientPage::swapChosen(int from, int to)
{
    QListWidgetItem* item = ListBox2->takeItem(from);
    ListBox2->insertItem(to, item);
    // The moved entry stays the one to move, so repeated clicks walk it on.
    ListBox2->clearSelection();
    ListBox2->setCurrentItem(item);
    item->setSelected(true);
}

void ClientPage::BitBtn3Click()
{
    const int i = ListBox2->currentRow();
    if (i >= 1)
        swapChosen(i, i - 1);
}

void ClientPage::BitBtn4Click()
{
    const int i = ListBox2->currentRow();
    if (i >= 0 && i < ListBox2->count() - 1)
        swapChosen(i, i + 1);
}

void ClientPage::BitBtn5Click()
{
    if (!m_pickColour)
        return;
    if (const std::optional<std::uint32_t> colour = m_pickColour(window(), m_colour))
        setSwatchColour(*colour);
}

void ClientPage::BitBtn6Click()
{
    const QString place = Edit3->text();
    if (TrimBlank(place).isEmpty()) {
        m_messages.ShowInfoBalloon(QStringLiteral("Plats måste fyllas i!"), window());
        Edit3->setFocus();
        return;
    }
    const QString name = m_identity.GetClientName();
    if (!frameSafe(place) || !frameSafe(name)) {
        m_messages.ShowInfoBalloon(BadCharacters, window());
        return;
    }
    m_connection.SendFrame(cmd::REGISTERUPATEMACHINE,
                           {name, m_identity.ClientTypeCode(), place, QString::number(m_colour), QString(),
                            QString::number(m_identity.OwnClientData.Lopnr)});
    m_identity.OwnClientData.FriendlyName = place;
    m_identity.OwnClientData.Color = m_colour;
}

void ClientPage::save()
{
    const bool automatic = RadioButton1->isChecked();
    const QString name = automatic ? Edit1->text() : Edit2->text();
    if (!frameSafe(name)) {
        m_messages.ShowInfoBalloon(BadCharacters, window());
        return;
    }
    m_settings.SetIniText(Section, QStringLiteral("ClientNameUseDefault"),
                          automatic ? QStringLiteral("1") : QStringLiteral("0"));
    m_settings.SetIniText(Section, QStringLiteral("ClientName"), name);

    QStringList fields{m_identity.GetClientName(), m_identity.ClientTypeCode()};
    for (int i = 0; i < ListBox2->count(); ++i)
        fields << QString::number(entryNumber(ListBox2->item(i))) << QString::number(i);
    m_connection.SendFrame(cmd::POSTCALLABLESLIST, fields);
}

void ClientPage::setHintPanelVisible(bool visible)
{
    pnlPlats->setVisible(visible);
    if (visible)
        pnlPlats->raise();
}

bool ClientPage::isHintPanelShown() const
{
    return !pnlPlats->isHidden();
}

} // namespace tesk
