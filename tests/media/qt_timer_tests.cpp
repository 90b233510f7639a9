// The real timers on the event loop: an interval of 0 stays quiet instead of holding a core,
// a precise timer never runs its handler well before its time, and a precise timer whose loop
// was blocked for many periods goes on from the next period instead of firing a burst.
#include "platform/system_services.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <vector>

using namespace kz;

class QtTimerTests : public QObject {
    Q_OBJECT

private slots:
    void zeroIntervalNeverFires_data() {
        QTest::addColumn<bool>("precise");
        QTest::newRow("precise") << true;
        QTest::newRow("coarse") << false;
    }
    void zeroIntervalNeverFires() {
        QFETCH(bool, precise);
        QtTimerFactory factory;
        const auto timer = factory.createTimer(precise);
        int fired = 0;
        timer->onTimeout = [&] { ++fired; };
        timer->setInterval(0);
        timer->setEnabled(true);
        QTest::qWait(60);
        QCOMPARE(fired, 0);
        QVERIFY(timer->isEnabled());
        // Given an interval, the enabled timer runs.
        timer->setInterval(10);
        QTRY_VERIFY_WITH_TIMEOUT(fired > 0, 2000);
        timer->setEnabled(false);
    }

    // The handler may start a few milliseconds early (so what it paints is on the screen at
    // the due time), never more.
    void preciseOneShotNeverEarly_data() {
        QTest::addColumn<int>("ms");
        QTest::newRow("100 ms gap") << 100;
        QTest::newRow("300 ms number") << 300;
    }
    void preciseOneShotNeverEarly() {
        QFETCH(int, ms);
        QtTimerFactory factory;
        const auto timer = factory.createTimer(true);
        qint64 firedAfterNs = -1;
        QElapsedTimer since;
        timer->onTimeout = [&] {
            timer->setEnabled(false);
            firedAfterNs = since.nsecsElapsed();
        };
        timer->setInterval(ms);
        since.start();
        timer->setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(firedAfterNs >= 0, 5000);
        QVERIFY2(firedAfterNs >= (ms - 5) * 1'000'000LL, qPrintable(QString::number(firedAfterNs)));
    }

    void blockedLoopSkipsMissedPeriods() {
        QtTimerFactory factory;
        const auto timer = factory.createTimer(true);
        QElapsedTimer clock;
        std::vector<qint64> fires;
        qint64 blockEnded = -1;
        timer->onTimeout = [&] {
            fires.push_back(clock.nsecsElapsed());
            if (fires.size() == 1) {
                QThread::msleep(200); // ten periods lost
                blockEnded = clock.nsecsElapsed();
            }
        };
        timer->setInterval(20);
        clock.start();
        timer->setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(fires.size() >= 4, 5000);
        timer->setEnabled(false);
        int burst = 0;
        for (qint64 t : fires)
            burst += t > blockEnded && t - blockEnded < 3'000'000;
        QVERIFY2(burst <= 1, qPrintable(QString::number(burst)));
    }
};

QTEST_GUILESS_MAIN(QtTimerTests)
#include "qt_timer_tests.moc"
