// The window's timers and the main-thread hand-off behind the core's seams.
#include <atomic>
#include <thread>

#include <QElapsedTimer>
#include <QTest>

#include "gui/qt_main_thread.h"
#include "gui/qt_timer.h"

using kalore::QtMainThread;
using kalore::QtTimer;

class QtAdaptersTest : public QObject {
    Q_OBJECT
private slots:
    void timerRepeatsUntilStoppedAndRestartsItsCountdown();
    void synchronizeRunsOnTheMainThreadInOrderAndWaits();
    void shutdownReleasesAWaitingWorkerAndDropsLaterWork();
};

void QtAdaptersTest::timerRepeatsUntilStoppedAndRestartsItsCountdown() {
    QtTimer timer("Timer1");
    int fired = 0;
    timer.SetHandler([&] {
        if (++fired == 3) {
            timer.Stop();
        }
    });
    timer.Start(20);
    QCOMPARE(timer.Interval(), 20u);
    QTRY_COMPARE_WITH_TIMEOUT(fired, 3, 2000);
    QTest::qWait(80);
    QCOMPARE(fired, 3);
    QVERIFY(!timer.IsActive());

    // Starting again replaces the countdown: one start of 300 ms after 100 ms of 150.
    fired = 0;
    timer.SetHandler([&] {
        ++fired;
        timer.Stop();
    });
    QElapsedTimer clock;
    clock.start();
    timer.Start(150);
    QTest::qWait(100);
    timer.Start(300);
    QTRY_COMPARE_WITH_TIMEOUT(fired, 1, 2000);
    QVERIFY(clock.elapsed() >= 390);
}

void QtAdaptersTest::synchronizeRunsOnTheMainThreadInOrderAndWaits() {
    QtMainThread mainThread;
    const auto mainId = std::this_thread::get_id();
    std::vector<int> order;
    std::atomic<bool> allOnMain{true};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            if (i % 2 == 0) {
                mainThread.Post([&, i] {
                    allOnMain = allOnMain && std::this_thread::get_id() == mainId;
                    order.push_back(i);
                });
            } else {
                QVERIFY(mainThread.Synchronize([&, i] {
                    allOnMain = allOnMain && std::this_thread::get_id() == mainId;
                    order.push_back(i);
                }));
                // The task has run when Synchronize returns.
                QCOMPARE(order.back(), i);
            }
        }
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
    worker.join();
    QCOMPARE(order.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        QCOMPARE(order[i], i);
    }
    QVERIFY(allOnMain);
}

void QtAdaptersTest::shutdownReleasesAWaitingWorkerAndDropsLaterWork() {
    QtMainThread mainThread;
    std::atomic<int> ran{0};
    std::atomic<int> result{-1};
    // The main loop is not pumped: the worker waits until the shutdown lets it go.
    std::thread worker([&] { result = mainThread.Synchronize([&] { ++ran; }) ? 1 : 0; });
    QTest::qSleep(100);
    mainThread.Shutdown();
    worker.join();
    QCOMPARE(result.load(), 0);
    mainThread.Post([&] { ++ran; });
    QTest::qWait(50);
    QCOMPARE(ran.load(), 0);
}

QTEST_MAIN(QtAdaptersTest)
#include "qt_adapters_test.moc"
