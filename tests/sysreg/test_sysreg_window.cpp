#include "SysRegFixture.h"

#include "display/MainWindow.h"
#include "sysreg/ClientPage.h"
#include "sysreg/ServerPage.h"
#include "TestWindowServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace tesk;
using tesk::test::SysRegFixture;
using tesk::test::waitUntil;

Q_DECLARE_METATYPE(tesk::SysRegPage)

class TestSysRegWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nothingCutOff_data()
    {
        QTest::addColumn<SysRegPage>("page");
        QTest::newRow("server") << SysRegPage::tsServersettings;
        QTest::newRow("client") << SysRegPage::tsClientSettings;
        QTest::newRow("voice") << SysRegPage::tsVoice;
        QTest::newRow("Övrigt") << SysRegPage::tsOvrigtShow;
    }

    // At the fixed size, every caption shows whole: each label, check box,
    // radio button and button at least as large as it asks to be.
    void nothingCutOff()
    {
        QFETCH(SysRegPage, page);
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(page);
        f.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
        QCOMPARE(f.dialog->size(), QSize(573, 391));

        QWidget* current = f.dialog->PageControl1->currentWidget();
        QList<QWidget*> controls;
        for (QWidget* w : current->findChildren<QWidget*>()) {
            if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w))
                controls << w;
        }
        controls << f.dialog->btnSave << f.dialog->btnCancel << f.dialog->btnReturn;
        for (QWidget* w : controls) {
            if (!w->isVisibleTo(f.dialog.get()))
                continue;
            const QSize hint = w->sizeHint();
            const QString what = w->metaObject()->className() + QStringLiteral(" \"")
                + (qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text()
                                            : qobject_cast<QAbstractButton*>(w)->text())
                + QStringLiteral("\" ");
            QVERIFY2(w->width() >= hint.width() && w->height() >= hint.height(),
                     qPrintable(what + QStringLiteral("%1x%2 < hint %3x%4")
                                           .arg(w->width()).arg(w->height()).arg(hint.width()).arg(hint.height())));
            // Inside the page, not pushed past its edge.
            if (!current->isAncestorOf(w))
                continue;
            const QRect onPage(w->mapTo(current, QPoint(0, 0)), w->size());
            QVERIFY2(current->rect().contains(onPage), qPrintable(what + QStringLiteral("outside the page")));
        }
        f.dialog->hide();
    }

    void realModalRunClosedByReturn()
    {
        SysRegFixture f;
        // The program's own modal run, not the fixture's recorder.
        SystemRegisterServices s;
        s.settings = &f.temp.settings();
        s.identity = &f.identity;
        s.messages = &f.messages;
        struct Offline : SysRegConnection {
            int reconnects = 0;
            bool isConnected() const override { return false; }
            QString ServerVersion() const override { return {}; }
            void clearServerVersion() override {}
            void setHasConnected(bool) override {}
            void setUpdateCheckPending(bool) override {}
            void CloseConnection() override {}
            void ServerReconnectProc(bool) override { ++reconnects; }
            void SendFrame(const QString&, const QStringList&) override {}
        };
        auto offline = std::make_unique<Offline>();
        Offline* link = offline.get();
        s.connection = std::move(offline);
        s.soundLabels = [] { return QStringList(); };
        TfrmSystreg dialog(std::move(s));

        bool sawIt = false;
        QTimer::singleShot(0, &dialog, [&] {
            sawIt = dialog.isVisible() && QApplication::activeModalWidget() == &dialog;
            // A second request while open returns at once.
            dialog.SetTabs(SysRegPage::tsServersettings);
            dialog.ShowModalUnlessVisible();
            dialog.btnReturn->click();
        });
        dialog.SetTabs(SysRegPage::tsClientSettings);
        dialog.ShowModalUnlessVisible();
        QVERIFY(sawIt);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.currentPage(), SysRegPage::tsServersettings);
        QCOMPARE(link->reconnects, 0);
        // Centred on the screen (give or take the frame).
        if (QScreen* screen = QGuiApplication::primaryScreen())
            QVERIFY2(qAbs(dialog.geometry().center().x() - screen->availableGeometry().center().x()) <= 4,
                     qPrintable(QStringLiteral("%1 vs %2").arg(dialog.geometry().center().x()).arg(screen->availableGeometry().center().x())));
    }

    void mainWindowOpensItAtTheServerPage()
    {
        tesk::test::TempSettings temp;
        tesk::test::RecordingMessages messages;
        ClientIdentity identity(temp.settings(), {});
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("stored.host"));
        MainWindowServices s = tesk::test::BaseWindowServices(temp, identity, messages);
        s.trayAvailable = [] { return false; };
        TfrmTeskShowMain window(std::move(s));
        auto* dialog = dynamic_cast<TfrmSystreg*>(&window.systemRegister());
        QVERIFY(dialog);
        QCOMPARE(dialog->parentWidget(), &window);
        QVERIFY(dialog->tsClientSettings->isHintPanelShown());

        QString shownName;
        SysRegPage shownPage = SysRegPage::tsVoice;
        QTimer::singleShot(0, dialog, [&] {
            shownName = dialog->tsServersettings->edServername->text();
            shownPage = dialog->currentPage();
            dialog->close();
        });
        window.BitBtn1Click(); // "Inställningar...", F10 and the tray item
        QCOMPARE(shownPage, SysRegPage::tsServersettings);
        QCOMPARE(shownName, QStringLiteral("stored.host"));
        QVERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(TestSysRegWindow)
#include "test_sysreg_window.moc"
