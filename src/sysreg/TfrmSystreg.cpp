#include "sysreg/TfrmSystreg.h"

#include "common/UserMessages.h"
#include "display/board/HlsColor.h"
#include "platform/SoundEvents.h"
#include "sysreg/ClientPage.h"
#include "sysreg/OvrigtPage.h"
#include "sysreg/ServerPage.h"
#include "sysreg/VoicePage.h"
#include "sysreg/WallPage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace tesk {

namespace {
constexpr SysRegPage TabOrder[] = {SysRegPage::tsServersettings, SysRegPage::tsClientSettings,
                                   SysRegPage::tsVoice, SysRegPage::tsOvrigtShow, SysRegPage::tsWallScreen};
constexpr int PageCount = int(std::size(TabOrder));

int TabIndex(SysRegPage page)
{
    return static_cast<int>(page);
}

std::optional<QString> PickFontFamily(QWidget* parent, const QString& family)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, QFont(family), parent);
    if (!ok)
        return std::nullopt;
    return font.family();
}
std::optional<std::uint32_t> PickColour(QWidget* parent, std::uint32_t colour)
{
    const QColor picked = QColorDialog::getColor(ToQColor(colour), parent);
    if (!picked.isValid())
        return std::nullopt;
    return FromRgb(picked.red(), picked.green(), picked.blue());
}
} // namespace

TfrmSystreg::TfrmSystreg(SystemRegisterServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services))
    , m_connection(*m_services.connection)
{
    if (!m_services.soundLabels)
        m_services.soundLabels = [] { return SoundEvents::labels(); };
    if (!m_services.playSound) {
        m_sounds = std::make_unique<SoundEvents>();
        m_services.playSound = [sounds = m_sounds.get()](const QString& alias) { sounds->play(alias); };
    }
    if (!m_services.pickFontName)
        m_services.pickFontName = PickFontFamily;
    if (!m_services.pickColour)
        m_services.pickColour = PickColour;
    if (!m_services.runModal)
        m_services.runModal = [](QDialog& dialog) { dialog.exec(); };

    setObjectName(QStringLiteral("frmSystreg"));
    setWindowTitle(QStringLiteral("Systemregister"));
    setModal(true);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    buildLayout();
    setFixedSize(ClientWidth, ClientHeight);

    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &TfrmSystreg::FinishServerSave);

    // Tab visibility follows the connection only when SetTabs runs.
    for (SysRegPage page : TabOrder)
        PageControl1->setTabVisible(TabIndex(page), page == SysRegPage::tsServersettings);
    PageControl1->setCurrentIndex(TabIndex(SysRegPage::tsServersettings));
}

TfrmSystreg::~TfrmSystreg() = default;

void TfrmSystreg::buildLayout()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    tsServersettings = new ServerPage(*m_services.settings, m_connection, m_services.update, *m_services.messages);
    tsClientSettings = new ClientPage(*m_services.settings, *m_services.identity, *m_services.messages, m_connection,
                                      m_services.pickColour, m_services.callListLopnrs);
    tsVoice = new VoicePage(*m_services.settings, m_services.speech);
    tsOvrigtShow = new OvrigtPage(*m_services.settings, *m_services.messages, m_services.soundLabels,
                                  m_services.playSound, m_services.pickFontName);
    PageControl1->addTab(tsServersettings, QStringLiteral("Serverinställningar/utseende"));
    PageControl1->addTab(tsClientSettings, QStringLiteral("Klientinställningar"));
    PageControl1->addTab(tsVoice, QStringLiteral("Röstinställningar"));
    tsWallScreen = new WallPage(*m_services.settings, *m_services.messages);
    PageControl1->addTab(tsOvrigtShow, QStringLiteral("Övrigt"));
    PageControl1->addTab(tsWallScreen, QStringLiteral("Väggskärm"));
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!m_settingTabs)
            PageControl1Change();
    });
    connect(tsVoice, &VoicePage::reloadRequested, this, [this] {
        if (currentPage() == SysRegPage::tsVoice)
            PageControl1Change();
    });

    btnSave = new QPushButton(QStringLiteral("Spara"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnCancel = new QPushButton(QStringLiteral("Ångra"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnReturn = new QPushButton(QStringLiteral("Återgå"), this);
    btnReturn->setObjectName(QStringLiteral("btnReturn"));
    // Enter in a field must not save or close by itself.
    for (QPushButton* b : {btnSave, btnCancel, btnReturn}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(80);
    }
    connect(btnSave, &QPushButton::clicked, this, &TfrmSystreg::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSystreg::btnCancelClick);
    connect(btnReturn, &QPushButton::clicked, this, &TfrmSystreg::btnReturnClick);

    auto* bar = new QHBoxLayout;
    bar->addWidget(btnSave);
    bar->addWidget(btnCancel);
    bar->addStretch(1);
    bar->addWidget(btnReturn);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 6);
    outer->setSpacing(6);
    outer->addWidget(PageControl1, 1);
    outer->addLayout(bar);
}

QWidget* TfrmSystreg::pageWidget(SysRegPage page) const
{
    return PageControl1->widget(TabIndex(page));
}

bool TfrmSystreg::FThemeChanged() const
{
    return tsServersettings->FThemeChanged;
}

bool TfrmSystreg::isTabShown(SysRegPage page) const
{
    return PageControl1->isTabVisible(TabIndex(page));
}

SysRegPage TfrmSystreg::currentPage() const
{
    const int index = PageControl1->currentIndex();
    return index >= 0 && index < PageCount ? TabOrder[index] : SysRegPage::tsServersettings;
}

void TfrmSystreg::SetTabs(SysRegPage page)
{
    const bool connected = m_connection.isConnected();
    m_settingTabs = true;
    for (SysRegPage p : TabOrder)
        PageControl1->setTabVisible(TabIndex(p), connected || p == SysRegPage::tsServersettings);
    SysRegPage target = SysRegPage::tsServersettings;
    if (isTabShown(page)) {
        target = page;
    } else {
        for (SysRegPage p : TabOrder) {
            if (isTabShown(p)) {
                target = p;
                break;
            }
        }
    }
    PageControl1->setCurrentIndex(TabIndex(target));
    m_settingTabs = false;
    PageControl1Change();
}

void TfrmSystreg::PageControl1Change()
{
    btnSave->setEnabled(true);
    btnCancel->setEnabled(true);

    // A later load (nested in a wait of this one) takes over; this one then
    // stops writing its controls. The dialog may even go during a wait.
    const quint64 generation = ++m_loadGeneration;
    const QPointer<TfrmSystreg> self(this);
    const LoadStillCurrent stillCurrent = [self, generation] {
        return self && self->m_loadGeneration == generation;
    };
    switch (currentPage()) {
    case SysRegPage::tsServersettings: tsServersettings->load(stillCurrent); break;
    case SysRegPage::tsClientSettings: tsClientSettings->load(stillCurrent); break;
    case SysRegPage::tsVoice: tsVoice->load(stillCurrent); break;
    case SysRegPage::tsOvrigtShow: tsOvrigtShow->load(stillCurrent); break;
    case SysRegPage::tsWallScreen: tsWallScreen->load(stillCurrent); break;
    }
}

void TfrmSystreg::ShowModalUnlessVisible()
{
    if (isVisible())
        return;
    if (QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    m_services.runModal(*this);
}

void TfrmSystreg::ApplyAllResources(const QString& frame)
{
    tsClientSettings->ApplyAllResources(frame);
}

void TfrmSystreg::ApplyStationResources(const QString& frame)
{
    tsClientSettings->ApplyStationResources(frame);
}

void TfrmSystreg::setHintPanelVisible(bool visible)
{
    tsClientSettings->setHintPanelVisible(visible);
}

void TfrmSystreg::btnSaveClick()
{
    FClickedSpara = true;
    switch (currentPage()) {
    case SysRegPage::tsServersettings:
        if (!tsServersettings->save())
            break;
        // The old server has the new settings by now (its copies); the rest
        // waits so that they are on their way before the connection goes.
        // The window stays responsive but takes no input meanwhile.
        setEnabled(false);
        m_pause.start(std::max(0, m_services.serverSavePauseMs));
        break;
    case SysRegPage::tsClientSettings: tsClientSettings->save(); break;
    case SysRegPage::tsVoice: break; // stored as it changed
    case SysRegPage::tsOvrigtShow: tsOvrigtShow->save(); break;
    case SysRegPage::tsWallScreen: tsWallScreen->save(); break;
    }
}

void TfrmSystreg::FinishServerSave()
{
    setEnabled(true);
    m_connection.clearServerVersion();
    m_services.update.clear();
    m_connection.setHasConnected(false);
    m_connection.setUpdateCheckPending(true);
    m_connection.CloseConnection();
    SetTabs(SysRegPage::tsServersettings);
    m_connection.ServerReconnectProc(false);
    Q_EMIT serverSaveFinished();
}

void TfrmSystreg::btnCancelClick()
{
    PageControl1Change();
}

void TfrmSystreg::btnReturnClick()
{
    close();
}

void TfrmSystreg::keyPressEvent(QKeyEvent* event)
{
    // Escape undoes the page's changes like "Ångra"; it does not close.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (btnCancel->isEnabled())
            btnCancel->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmSystreg::closeEvent(QCloseEvent* event)
{
    // Closing in the middle of a server save would reconnect twice, the
    // second time from under the first.
    if (isPausing()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmSystreg::done(int result)
{
    tsClientSettings->UnbindTargetList();
    if (FClickedSpara)
        m_connection.ServerReconnectProc(false);
    QDialog::done(result);
}

} // namespace tesk
