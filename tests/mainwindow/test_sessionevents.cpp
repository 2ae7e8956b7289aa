// What the session manager says reaches the window as the right step: its
// query may still be cancelled, only the real end ends the program.

#include "platform/SessionEvents.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTest>

using namespace tesk;

class TestSessionEvents : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void queryIsOnlyAQuery()
    {
        SessionEvents events;
        QSignalSpy queried(&events, &SessionEvents::sessionEndQueried);
        QSignalSpy ending(&events, &SessionEvents::sessionEnding);
        // Qt's commit-data request, as the session manager's query arrives.
        // The handler never touches the manager, so storage of its size will do.
        alignas(QSessionManager) unsigned char manager[sizeof(QSessionManager)] = {};
        QVERIFY(QMetaObject::invokeMethod(qApp, "commitDataRequest", Qt::DirectConnection,
                                          QGenericArgument("QSessionManager&", manager)));
        QCOMPARE(queried.count(), 1);
        QCOMPARE(ending.count(), 0);
    }

    void applicationQuittingIsTheEnd()
    {
        SessionEvents events;
        QSignalSpy queried(&events, &SessionEvents::sessionEndQueried);
        QSignalSpy ending(&events, &SessionEvents::sessionEnding);
        // What Qt does at the real end of the session (Windows' WM_ENDSESSION,
        // the session manager's "die").
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
        QCOMPARE(ending.count(), 1);
        QCOMPARE(queried.count(), 0);
    }
};

QTEST_MAIN(TestSessionEvents)
#include "test_sessionevents.moc"
