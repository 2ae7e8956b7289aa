#include "common/ui/SwedishTranslation.h"
#include "common/ui/WidgetMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tesk;

namespace {

// Acts on the modal box as soon as it runs, without waiting on a clock:
// each try is queued behind the events that show the box.
void whenBoxShows(std::function<void(QMessageBox*)> act, int tries = 200)
{
    QTimer::singleShot(0, qApp, [act = std::move(act), tries]() mutable {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible())
            act(box);
        else if (tries > 0)
            whenBoxShows(std::move(act), tries - 1);
    });
}

QStringList buttonTexts(const QMessageBox& box)
{
    QStringList texts;
    for (QAbstractButton* b : box.buttons())
        texts << b->text();
    texts.sort();
    return texts;
}

} // namespace

class TestWidgetMessages : public QObject {
    Q_OBJECT
private slots:
    void boxes_data();
    void boxes();
    void askYesNo_data();
    void askYesNo();
    void showInfoMessageReturnsOnOk_data();
    void showInfoMessageReturnsOnOk();
    void standardButtonsAreSwedish_data();
    void standardButtonsAreSwedish();
};

void TestWidgetMessages::boxes_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("defaultButton");
    QTest::addColumn<QString>("escapeButton");
    QTest::addColumn<QString>("shownText");

    QTest::newRow("information")
        << false << QStringLiteral("Error in ClientSocket1Read!\r\rboom") << QStringLiteral("Information")
        << int(QMessageBox::Information) << QStringList{"OK"} << "OK" << "OK"
        << QStringLiteral("Error in ClientSocket1Read!\n\nboom");
    QTest::newRow("information, markup shown as text")
        << false << QStringLiteral("<b>Version</b> <info not available>") << QStringLiteral("Information")
        << int(QMessageBox::Information) << QStringList{"OK"} << "OK" << "OK"
        << QStringLiteral("<b>Version</b> <info not available>");
    QTest::newRow("question") << true << QStringLiteral("Vill du spara?\rÄndringarna går förlorade.")
                              << QStringLiteral("Fråga") << int(QMessageBox::Question) << QStringList{"Ja", "Nej"}
                              << "Ja" << "Nej" << QStringLiteral("Vill du spara?\nÄndringarna går förlorade.");
}

void TestWidgetMessages::boxes()
{
    QFETCH(bool, question);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    QFETCH(QString, defaultButton);
    QFETCH(QString, escapeButton);
    QFETCH(QString, shownText);

    WidgetMessages messages;
    const auto box = question ? messages.makeYesNoBox(text) : messages.makeInfoBox(text);
    QCOMPARE(box->windowTitle(), title);
    QCOMPARE(int(box->icon()), icon);
    QCOMPARE(box->text(), shownText);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    buttons.sort();
    QCOMPARE(buttonTexts(*box), buttons); // no "&": no accelerators
    QVERIFY(box->defaultButton());
    QCOMPARE(box->defaultButton()->text(), defaultButton);
    QVERIFY(box->escapeButton());
    QCOMPARE(box->escapeButton()->text(), escapeButton);
}

void TestWidgetMessages::askYesNo_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("result");
    QTest::newRow("click Ja") << "Ja" << true;
    QTest::newRow("click Nej") << "Nej" << false;
    QTest::newRow("Enter takes the default Ja") << "enter" << true;
    QTest::newRow("Escape is Nej") << "escape" << false;
}

void TestWidgetMessages::askYesNo()
{
    QFETCH(QString, action);
    QFETCH(bool, result);

    WidgetMessages messages;
    QString seenTitle;
    whenBoxShows([&](QMessageBox* box) {
        seenTitle = box->windowTitle();
        if (action == QLatin1String("enter")) {
            QTest::keyClick(box, Qt::Key_Return);
        } else if (action == QLatin1String("escape")) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == action)
                    b->click();
            }
        }
    });
    QCOMPARE(messages.AskYesNo(QStringLiteral("Vill du avsluta?")), result);
    QCOMPARE(seenTitle, QStringLiteral("Fråga"));
}

void TestWidgetMessages::showInfoMessageReturnsOnOk_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("click OK") << false;
    QTest::newRow("Enter") << true;
}

void TestWidgetMessages::showInfoMessageReturnsOnOk()
{
    QFETCH(bool, byKey);
    WidgetMessages messages;
    QString seenText;
    whenBoxShows([&](QMessageBox* box) {
        seenText = box->text();
        if (byKey)
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->buttons().first()->click();
    });
    messages.ShowInfoMessage(QStringLiteral("Det gick inte att rita om skärmen!\r\rfel"));
    QCOMPARE(seenText, QStringLiteral("Det gick inte att rita om skärmen!\n\nfel"));
}

void TestWidgetMessages::standardButtonsAreSwedish_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Yes") << int(QMessageBox::Yes) << "Ja";
    QTest::newRow("No") << int(QMessageBox::No) << "Nej";
    QTest::newRow("Ok") << int(QMessageBox::Ok) << "OK";
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << "Avbryt";
}

void TestWidgetMessages::standardButtonsAreSwedish()
{
    QFETCH(int, button);
    QFETCH(QString, caption);
    static const bool catalogue = InstallSwedishTranslation(*qApp);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Varning"), QStringLiteral("x"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::StandardButton(button))->text(), caption);
    if (catalogue) // Qt's own texts come from its Swedish catalogue
        QVERIFY(QCoreApplication::translate("QFontDialog", "Select Font") != QLatin1String("Select Font"));
}

QTEST_MAIN(TestWidgetMessages)
#include "test_widgetmessages.moc"
