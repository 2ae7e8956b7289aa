#include "display/MainWindow.h"

#include "common/ClientIdentity.h"
#include "common/NightMode.h"
#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"
#include "common/WallSettings.h"
#include "display/AppIcon.h"
#include "display/StatusLamp.h"
#include "display/WindowEffects.h"
#include "display/announcer/Announcer.h"
#include "display/board/CallBoardWidget.h"
#include "display/connection/AnnouncerPort.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/StaleDataWatch.h"
#include "display/connection/SuspendResume.h"
#include "display/connection/SystemRegisterPort.h"
#include "platform/BringToFront.h"
#include "protocol/DateTimeValue.h"
#include "platform/PowerEvents.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SoundEvents.h"
#include "speech/QtSpeechBackend.h"
#include "speech/SpeechEngine.h"
#include "sysreg/ServerConnectionLink.h"
#include "sysreg/TfrmSystreg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

namespace tesk {

namespace {
const QString CaptionBase = QStringLiteral("TESK Windows Visningsklient");
const QString Std = QStringLiteral("STD");
constexpr int Minute = 60000;
}

TfrmTeskShowMain::TfrmTeskShowMain(MainWindowServices services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_settings(*m_services.settings)
    , m_identity(*m_services.identity)
    , m_messages(*m_services.messages)
{
    if (!m_services.modalDialogOpen)
        m_services.modalDialogOpen = [] { return QApplication::activeModalWidget() != nullptr; };
    if (!m_services.trayAvailable)
        m_services.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    if (!m_services.wallClock)
        m_services.wallClock = [] { return QDateTime::currentDateTime(); };

    if (!m_services.speechBackend)
        m_services.speechBackend = QtSpeechBackendFactory();
    m_speech = std::make_unique<SpeechService>(m_settings, m_messages, m_services.speechBackend);
    m_systemRegister = m_services.createSystemRegister ? m_services.createSystemRegister(*this) : nullptr;
    if (!m_systemRegister) {
        // The connection is built next, so the dialog finds it when first used.
        SystemRegisterServices sysreg;
        sysreg.settings = &m_settings;
        sysreg.identity = &m_identity;
        sysreg.messages = &m_messages;
        sysreg.connection =
            std::make_unique<ServerConnectionLink>([this]() -> ServerConnection& { return *m_connection; });
        sysreg.speech = m_speech.get();
        sysreg.callListLopnrs = [this] {
            QList<int> lopnrs;
            for (const auto& call : m_model.CallList)
                lopnrs << call->CallLopnr;
            return lopnrs;
        };
        // Through the window: the update client is made after the dialog.
        sysreg.update.UpdateServerVersion = [this] { return m_update ? m_update->UpdateServerVersion() : QString(); };
        sysreg.update.clearUpdateServerVersion = [this] {
            if (m_update)
                m_update->ClearUpdateServerVersion();
        };
        auto dialog = std::make_unique<TfrmSystreg>(std::move(sysreg), this);
        // However the dialog was opened, what it stored applies when it closes.
        connect(dialog.get(), &QDialog::finished, this, &TfrmTeskShowMain::ApplyScreenSaverSetting);
        m_systemRegister = std::move(dialog);
    }
    m_announcer = m_services.createAnnouncer ? m_services.createAnnouncer(*this) : CreateAnnouncer();
    if (!m_announcer)
        m_announcer = std::make_unique<NoAnnouncer>();

    m_dispatcher = std::make_unique<MessageDispatcher>(m_model, m_settings, m_identity, m_messages, *m_systemRegister,
                                                       *m_announcer, this);
    m_dispatcher->setProductVersion(m_services.productVersion);
    m_connection = std::make_unique<ServerConnection>(m_settings, m_identity, m_messages, *m_systemRegister,
                                                      m_services.connectionClock, this);
    ConnectDispatcher(*m_connection, *m_dispatcher);
    m_staleWatch = std::make_unique<StaleDataWatch>(m_services.wallClock);
    m_nightMode = std::make_unique<NightMode>(m_services.wallClock);
    // The update client reads the installation paths at each check; they are
    // filled in by FormCreate.
    if (m_services.createUpdateClient)
        m_update = m_services.createUpdateClient(*this);
    if (m_update)
        m_connection->setUpdateCheck([this] { return m_update->CheckForUpdate(); });
    m_suspendResume = std::make_unique<SuspendResume>(*m_connection, m_services.resumePauseMs, this);
    if (m_services.createPowerEvents)
        m_power = m_services.createPowerEvents();

    m_screenSaver = std::make_unique<ScreenSaverInhibitor>(QStringLiteral("TESK Windows Vistor"));

    buildLayout();
    wireParts();
    FormCreate();
}

void TfrmTeskShowMain::wireParts()
{
    connect(m_dispatcher.get(), &MessageDispatcher::captionChanged, this, [this](const QString& caption) {
        setWindowTitle(caption);
        PaintBox1->setKliniknamn(m_model.kliniknamn);
    });
    connect(m_dispatcher.get(), &MessageDispatcher::minimizeTimerStartRequested, this,
            [this] { MinimizeTimer.start(); });
    connect(m_dispatcher.get(), &MessageDispatcher::boardRepaintRequested, PaintBox1,
            &CallBoardWidget::callListReplaced);

    ServerConnection* conn = m_connection.get();
    connect(conn, &ServerConnection::statusTextChanged, this, &TfrmTeskShowMain::setStatus);
    connect(conn, &ServerConnection::lampChanged, this,
            [this, conn] { shServerConnected->setColor(conn->lampColour()); });
    connect(conn, &ServerConnection::connectionDown, m_staleWatch.get(), &StaleDataWatch::connectionDown);
    connect(conn, &ServerConnection::versionRefused, m_staleWatch.get(), &StaleDataWatch::versionRefused);
    connect(conn, &ServerConnection::connectionUp, m_staleWatch.get(), &StaleDataWatch::versionAccepted);
    connect(m_staleWatch.get(), &StaleDataWatch::bannerChanged, PaintBox1, &CallBoardWidget::setBannerText);
    connect(m_nightMode.get(), &NightMode::nightChanged, this, [this] {
        PaintBox1->setBrightness(m_nightMode->brightness());
        m_speech->setVolume(m_nightMode->volume());
    });
    connect(conn, &ServerConnection::windowRepaintRequested, this, [this] {
        update();
        BitBtn1->update();
        Button7->update();
    });
    connect(conn, &ServerConnection::closeProgramRequested, this, [this] {
        CloseNow = true;
        close();
    });
    connect(conn, &ServerConnection::boardSettingsReloaded, this, [this](const BoardSettings& settings) {
        board = settings;
        PaintBox1->setBoardSettings(board);
        // Their reads may ask the server: after the handshake, not in it.
        m_wallSettingsWanted = true;
        // Read again with the server's copies now in reach, so a clinic can
        // set it centrally.
        ApplyScreenSaverSetting();
    });
    if (m_update) {
        connect(m_update.get(), &UpdateClient::transferProgressChanged, this, [this, conn](const QString& text) {
            Label1->setText(text.isEmpty() ? conn->statusText() : text);
            TrayIcon1->setToolTip(text.isEmpty() ? CaptionBase : CaptionBase + QLatin1Char('\n') + text);
        });
    }
    if (m_power) {
        connect(m_power.get(), &PowerEvents::suspending, m_suspendResume.get(), &SuspendResume::Suspend);
        connect(m_power.get(), &PowerEvents::resumed, m_suspendResume.get(), &SuspendResume::Resume);
    }
    connect(conn, &ServerConnection::speechSettingsReloaded, this, [this](const SpeechSettings& settings) {
        m_speech->setVoiceName(settings.Voice);
        m_speech->MarkNotReady();
        if (settings.UseSAPI5)
            RequestSpeechEngine();
    });
    connect(conn, &ServerConnection::handshakeIdle, this, [this] {
        if (m_wallSettingsWanted || m_speechWanted)
            QTimer::singleShot(0, this, &TfrmTeskShowMain::RunAfterHandshake);
    });
}

std::unique_ptr<AnnouncerPort> TfrmTeskShowMain::CreateAnnouncer()
{
    if (!m_services.playSound) {
        m_sound = std::make_unique<SoundEvents>();
        m_services.playSound = [this](const QString& alias) { m_sound->play(alias); };
    }
    Announcer::Services a;
    a.model = &m_model;
    a.settings = &m_settings;
    a.window = std::make_unique<WindowEffects>(*this);
    a.sayTimer = &SayTimer;
    a.say = [this](const QString& text) { m_speech->say(text, 1); };
    a.playSound = m_services.playSound;
    a.now = m_services.announcerClock;
    auto announcer = std::make_unique<Announcer>(std::move(a));
    m_ownAnnouncer = announcer.get();
    return announcer;
}

TfrmTeskShowMain::~TfrmTeskShowMain()
{
    // The timers must not fire into a half-destroyed window.
    MinimizeTimer.stop();
    SayTimer.stop();
    if (m_connection)
        m_connection->StopTimers();
}

void TfrmTeskShowMain::buildLayout()
{
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setWindowIcon(AppIcon());
    resize(DesignWidth, DesignHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    m_topBar = new QWidget(this);
    m_topBar->setObjectName(QStringLiteral("topBar"));
    m_topBar->setFixedHeight(41);
    BitBtn1 = new QPushButton(QStringLiteral("Inställningar..."), m_topBar);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(8, 8, 121, 25);
    BitBtn1->setFocusPolicy(Qt::TabFocus);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmTeskShowMain::BitBtn1Click);
    outer->addWidget(m_topBar);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    m_boardArea = new QWidget(this);
    m_boardArea->setObjectName(QStringLiteral("boardArea"));
    m_boardArea->setAutoFillBackground(true);
    QPalette black = m_boardArea->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_boardArea->setPalette(black);
    auto* boardLayout = new QVBoxLayout(m_boardArea);
    boardLayout->setContentsMargins(0, 0, 0, 0);
    PaintBox1 = new CallBoardWidget(
        m_model.CallList, m_messages,
        [this](const QString& frame) {
            // Confirmations go out on the main connection when it is up;
            // nothing is queued.
            m_connection->SendText(frame);
        },
        [this] { return ToDateTimeValue(m_services.wallClock()); }, m_boardArea);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    boardLayout->addWidget(PaintBox1);
    middle->addWidget(m_boardArea, 1);
    m_rightBar = new QWidget(this);
    m_rightBar->setObjectName(QStringLiteral("rightBar"));
    m_rightBar->setFixedWidth(0);
    middle->addWidget(m_rightBar);
    outer->addLayout(middle, 1);

    m_statusBar = new QWidget(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setFixedHeight(29);
    auto* status = new QHBoxLayout(m_statusBar);
    status->setContentsMargins(2, 1, 0, 1);
    status->setSpacing(5);
    shServerConnected = new StatusLamp(m_statusBar);
    shServerConnected->setObjectName(QStringLiteral("shServerConnected"));
    status->addWidget(shServerConnected, 0, Qt::AlignTop);
    Label1 = new QLabel(QStringLiteral("Ej ansluten"), m_statusBar);
    Label1->setObjectName(QStringLiteral("Label1"));
    status->addWidget(Label1, 1, Qt::AlignVCenter);
    Button7 = new QPushButton(QStringLiteral("&Stäng"), m_statusBar);
    Button7->setObjectName(QStringLiteral("Button7"));
    Button7->setFixedSize(73, 27);
    Button7->setToolTip(QStringLiteral("Stänger TESK Windows Visningsklient"));
    connect(Button7, &QPushButton::clicked, this, &TfrmTeskShowMain::Button7Click);
    status->addWidget(Button7, 0, Qt::AlignRight | Qt::AlignVCenter);
    outer->addWidget(m_statusBar);

    // F10 anywhere in the window acts as the settings button.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setContext(Qt::WindowShortcut);
    connect(f10, &QShortcut::activated, this, &TfrmTeskShowMain::BitBtn1Click);

    TrayIcon1 = new QSystemTrayIcon(AppIcon(), this);
    TrayIcon1->setToolTip(CaptionBase);
    PopupMenu2 = new QMenu(this);
    TrayIcon1->setContextMenu(PopupMenu2);
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            TrayIcon1DblClick();
    });

    MinimizeTimer.setInterval(1000);
    connect(&MinimizeTimer, &QTimer::timeout, this, &TfrmTeskShowMain::MinimizeTimerTimer);
}

void TfrmTeskShowMain::FormCreate()
{
    m_model.kliniknamn.clear();
    m_identity.ClientType = TTESKClientType::ctShow;
    setWindowTitle(CaptionBase + QStringLiteral("  version: ") + m_services.productVersion);

    try {
        paths = m_services.initInstallationPaths();
    } catch (const std::exception& e) {
        // Without a working folder the program still shows calls; settings
        // then live under the empty sub-key.
        m_messages.ShowInfoMessage(ExceptionText(e));
    }
    if (!paths.SettingsSubKey.isEmpty())
        m_settings.setSettingsSubKey(paths.SettingsSubKey);

    // The board reports a picture that cannot be read itself; start-up goes on.
    PaintBox1->setCurrentPath(paths.CurrentPath);
    PaintBox1->LoadFirstBackground();

    if (m_settings.GetIniText(QStringLiteral("Showing"), QStringLiteral("AlwaysShowAll")) == QStringLiteral("ERROR"))
        m_settings.SetIniText(QStringLiteral("Showing"), QStringLiteral("AlwaysShowAll"), QStringLiteral("1"));
    board.ShowingAlwaysShowAll =
        m_settings.GetIniText(QStringLiteral("Showing"), QStringLiteral("AlwaysShowAll")) == QStringLiteral("1");
    board.TESKShowMode = m_settings.ReadInt(QStringLiteral("TESK"), QStringLiteral("ShowMode"), 0);
    board.TESKShowFontName =
        m_settings.GetIniTextDef(QStringLiteral("TESK"), QStringLiteral("ShowFontName"), QStringLiteral("Tahoma"));

    // At least a minute: a timer of no length fires without pause (and the
    // announcer restarts it whatever its interval); at most what a timer
    // holds, so a huge value does not wrap round.
    const qint64 sayMinutes =
        std::max(1, m_settings.ReadInt(QStringLiteral("TESK"), QStringLiteral("RepeatSayInfoTimer"), 5));
    // Precise: a coarse timer of minutes may fire half a second early, which
    // would make the five-minute rule decide at random.
    SayTimer.setTimerType(Qt::PreciseTimer);
    SayTimer.setInterval(int(std::min<qint64>(sayMinutes * Minute, std::numeric_limits<int>::max())));
    if (m_settings.ReadBool(QStringLiteral("TESK"), QStringLiteral("RepeatSayInfo"), true))
        SayTimer.start();
    PaintBox1->setBackgroundRotation(
        m_settings.ReadInt(QStringLiteral("TESK"), QStringLiteral("ChangeBackgroundTimer"), 3),
        m_settings.ReadBool(QStringLiteral("TESK"), QStringLiteral("ChangeBackground"), true));

    TTESKClientData& own = m_identity.OwnClientData;
    own.Lopnr = -1;
    own.Name = m_identity.GetParamValue(QStringLiteral("NAME"), true);
    own.FriendlyName = m_identity.GetParamValue(QStringLiteral("PLACE"), true);
    own.Color = TColor(ReadInt(m_identity.GetParamValue(QStringLiteral("COLOR"), true), 0));
    board.FPaintEffect = true;
    PaintBox1->setBoardSettings(board);
    applyWallSettings();
    RebuildTrayMenu();

    if (registerauto()) {
        m_settings.SetIniText(QStringLiteral("TESK"), QStringLiteral("ClientNameUseDefault"), QStringLiteral("0"));
        m_settings.SetIniText(QStringLiteral("TESK"), QStringLiteral("ClientName"), own.Name);
    }
    const QString serverName = m_identity.GetParamValue(QStringLiteral("SERVERNAME"), true);
    if (!serverName.isEmpty())
        m_settings.SetIniText(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), serverName);
    const QString serverPort = m_identity.GetParamValue(QStringLiteral("SERVERPORT"), true);
    if (!serverPort.isEmpty())
        m_settings.SetIniText(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), serverPort);

    ApplyScreenSaverSetting();
    if (m_services.trayAvailable())
        TrayIcon1->show();
}

bool TfrmTeskShowMain::registerauto() const
{
    return m_connection->registerauto();
}

QString TfrmTeskShowMain::paramcalllista() const
{
    return m_connection->paramcalllista();
}

void TfrmTeskShowMain::RebuildTrayMenu()
{
    PopupMenu2->clear();
    m_versionAction = PopupMenu2->addAction(QStringLiteral("Version: ") + m_services.productVersion);
    connect(PopupMenu2->addAction(QStringLiteral("Inställningar...")), &QAction::triggered, this,
            &TfrmTeskShowMain::BitBtn1Click);
    connect(PopupMenu2->addAction(QStringLiteral("Avsluta")), &QAction::triggered, this,
            &TfrmTeskShowMain::Avsluta1Click);
}

void TfrmTeskShowMain::setVisible(bool visible)
{
    // The saved size and position apply each time the window is shown, before
    // it appears.
    if (visible && !isVisible())
        FormShow();
    QWidget::setVisible(visible);
    if (visible && !m_activated) {
        // A desktop may refuse to activate a window that appears on its own
        // (focus stealing prevention); being shown counts as the first
        // activation then, so the connection starts either way.
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
}

void TfrmTeskShowMain::FormShow()
{
    // Maximised or full screen, the placement belongs to the window system.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QString sec = PosSection;
    auto read = [&](const QString& key) {
        return m_settings.GetIniTextDef(sec, key, Std);
    };

    int w = width();
    int h = height();
    const QString fw = read(QStringLiteral("FORMWIDTH"));
    if (fw.toUpper() != Std)
        w = ReadInt(fw, w);
    const QString fh = read(QStringLiteral("FORMHEIGHT"));
    if (fh.toUpper() != Std)
        h = ReadInt(fh, h);
    if (w != width() || h != height())
        resize(w, h);

    // The current place is read before the native window exists: creating
    // it can shift what pos() reports by the frame.
    int left = x();
    int top = y();
    // Centring takes the whole window, frame included, as move() does. The
    // native window must exist for the frame to be known.
    if (!testAttribute(Qt::WA_WState_Created))
        create();
    const QSize outer = frameGeometry().size();
    QScreen* scr = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = scr ? scr->geometry() : QRect(0, 0, DesignWidth, DesignHeight);
    const QString pl = read(QStringLiteral("POSLEFT"));
    if (pl.toUpper() != Std)
        left = ReadInt(pl, left);
    else
        left = screenRect.x() + screenRect.width() / 2 - outer.width() / 2;
    const QString pt = read(QStringLiteral("POSTOP"));
    if (pt.toUpper() != Std)
        top = ReadInt(pt, top);
    else
        top = screenRect.y() + screenRect.height() / 2 - outer.height() / 2;
    move(left, top);
}

void TfrmTeskShowMain::FormActivate()
{
    if (m_activated)
        return;
    m_activated = true;
    const QString t2s = QStringLiteral("Text2Speech");
    m_speech->setVoiceName(m_settings.GetIniText(t2s, QStringLiteral("VoiceSAPI5.1")));
    m_speech->MarkNotReady();
    // A synthesiser may take seconds to start (a speech daemon spawned on
    // demand, or one that hangs): it starts once the connection is on its
    // way, so the first calls are not late. A failure leaves the program
    // without speech.
    if (m_settings.GetIniText(t2s, QStringLiteral("UseSAPI5")) == QLatin1String("1"))
        RequestSpeechEngine();
    m_connection->Start();
}

void TfrmTeskShowMain::RequestSpeechEngine()
{
    m_speechWanted = true;
    QTimer::singleShot(0, this, &TfrmTeskShowMain::RunAfterHandshake);
}

void TfrmTeskShowMain::RunAfterHandshake()
{
    // Both may wait in an event loop (settings answers from the server, a
    // synthesiser that takes seconds to start): run from inside a handshake
    // step, which itself waits for settings answers, they would hold the
    // version request and the call list back. The connection says when the
    // step has returned; each is checked again, as the one before may have
    // waited through a new handshake.
    if (m_ended)
        return;
    // Speech first: what is said while its synthesiser starts is held for
    // it, what is said before it starts is not.
    if (!m_connection->isHandshaking() && std::exchange(m_speechWanted, false))
        m_speech->Recreate();
    if (!m_connection->isHandshaking() && std::exchange(m_wallSettingsWanted, false))
        applyWallSettings();
}

void TfrmTeskShowMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    if (event->type() == QEvent::WindowStateChange)
        FormResize();
}

void TfrmTeskShowMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TfrmTeskShowMain::FormResize()
{
    const bool bars = !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    m_topBar->setVisible(bars);
    m_rightBar->setVisible(bars);
    m_statusBar->setVisible(bars);
}

void TfrmTeskShowMain::BitBtn1Click()
{
    if (!m_systemRegister->isVisible()) {
        m_systemRegister->SetTabs(SysRegPage::tsServersettings);
        m_systemRegister->ShowModalUnlessVisible();
    }
    // The dialog may have changed what the board and the screen show.
    ApplyScreenSaverSetting();
    repaintBoard();
}

void TfrmTeskShowMain::Button7Click()
{
    close();
}

void TfrmTeskShowMain::Avsluta1Click()
{
    m_connection->StopTimers();
    CloseNow = true;
    close();
}

void TfrmTeskShowMain::QueryEndSession()
{
    // The log-off may still be cancelled: only let a close through.
    CloseNow = true;
}

void TfrmTeskShowMain::EndSession()
{
    CloseNow = true;
    close();
}

void TfrmTeskShowMain::closeEvent(QCloseEvent* event)
{
    if (!CloseNow) {
        // Closing only hides: the display keeps running in the tray.
        event->ignore();
        hide();
        return;
    }
    if (!m_ended)
        FormClose();
    event->accept();
}

void TfrmTeskShowMain::FormClose()
{
    m_ended = true;
    MinimizeTimer.stop();
    PaintBox1->setBackgroundRotation(0, false);
    SayTimer.stop();
    m_connection->StopTimers();
    m_connection->CloseConnection();
    // Closing ran the loss handling, which may have started a countdown.
    m_connection->StopTimers();

    // With the connection closed these go to the local stores only.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        // The place stored is the frame's, which is what move() restores:
        // the client area's corner would creep by the frame at every run.
        // Minimised, Qt still holds the last normal place in both.
        const QRect g = geometry();
        const QPoint p = pos();
        m_settings.SetIniText(PosSection, QStringLiteral("POSLEFT"), QString::number(p.x()));
        m_settings.SetIniText(PosSection, QStringLiteral("POSTOP"), QString::number(p.y()));
        m_settings.SetIniText(PosSection, QStringLiteral("FORMWIDTH"), QString::number(g.width()));
        m_settings.SetIniText(PosSection, QStringLiteral("FORMHEIGHT"), QString::number(g.height()));
    }
    m_screenSaver->setInhibited(false);
    TrayIcon1->hide();
    Q_EMIT programEnded();
}

void TfrmTeskShowMain::MinimizeTimerTimer()
{
    // Changing the window under an open modal dialog would pull it away
    // from the user; try again in a second.
    if (m_services.modalDialogOpen())
        return;
    MinimizeTimer.stop();

    const bool wasVisible = isVisible();
    switch (m_settings.ReadInt(QStringLiteral("TESK"), QStringLiteral("Visibility"), 1)) {
    case 0:
        // Full screen, over the panels and task bars: a wall display shows
        // the board and nothing else.
        setWindowFlag(Qt::FramelessWindowHint, true);
        setWindowState(Qt::WindowFullScreen);
        break;
    case 1:
        setWindowFlag(Qt::FramelessWindowHint, false);
        setWindowState(Qt::WindowMinimized);
        break;
    case 2:
        setWindowFlag(Qt::FramelessWindowHint, false);
        setWindowState(Qt::WindowNoState);
        break;
    default:
        return;
    }
    // Changing the frame hides a window; give back what it was.
    if (wasVisible && !isVisible())
        QWidget::setVisible(true);
    FormResize();
    update();
}

void TfrmTeskShowMain::TrayIcon1DblClick()
{
    if (m_ownAnnouncer)
        m_ownAnnouncer->TrayIcon1DblClick();
    else
        RestoreFromTray();
}

void TfrmTeskShowMain::RestoreFromTray()
{
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    BringToFront(windowHandle());
}

void TfrmTeskShowMain::ActivateFromOtherInstance()
{
    // Restore when minimised, otherwise raise; a window hidden in the tray
    // comes back as well, since nothing else would show the user anything.
    RestoreFromTray();
}

void TfrmTeskShowMain::ShowTrayBalloon(const QString& text)
{
    if (m_services.trayAvailable() && QSystemTrayIcon::supportsMessages()) {
        QString shown = text;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        TrayIcon1->showMessage(BalloonTitle, shown, QSystemTrayIcon::Information);
        return;
    }
    m_messages.ShowBalloon(BalloonTitle, text, BalloonTarget::at(this), 5000, BalloonInfo);
}

void TfrmTeskShowMain::ApplyScreenSaverSetting()
{
    m_screenSaver->setInhibited(m_settings.ReadBool(QStringLiteral("TESK"), QStringLiteral("PreventScreenSaver"), false));
}

bool TfrmTeskShowMain::isScreenSaverPrevented() const
{
    return m_screenSaver->isInhibited();
}

void TfrmTeskShowMain::setStatus(const QString& text)
{
    Label1->setText(text);
}

void TfrmTeskShowMain::applyWallSettings()
{
    const WallSettings wall = ReadWallSettings(m_settings);
    PaintBox1->setWallSettings(wall);
    m_nightMode->setSettings(wall);
}

void TfrmTeskShowMain::repaintBoard()
{
    PaintBox1->update();
}

} // namespace tesk
