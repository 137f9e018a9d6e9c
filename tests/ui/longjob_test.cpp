// The screen kit's long job: work on another thread whose progress and end come back on the
// window's thread, a fault that comes back as text, a cancel that reaches the work.
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "ui/longjob.h"

using tavrin::ui::LongJob;

class LongJobTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void progressAndEndComeBackOnTheWindowThread();
    void aFaultComesBackAsText();
    void cancelReachesTheWorkAndASecondStartWaits();
};

void LongJobTest::progressAndEndComeBackOnTheWindowThread()
{
    LongJob job;
    QSignalSpy spy(&job, &LongJob::progressed);
    std::atomic<QThread*> workThread{nullptr};
    int result = 0;
    bool done = false;
    QThread* doneThread = nullptr;
    QString fault = QStringLiteral("unset");
    QVERIFY(job.start(
        [&](LongJob::Context& c) {
            workThread = QThread::currentThread();
            c.progress(40, QStringLiteral("排课"));
            c.progress(80, QStringLiteral("修补"));
            result = 42;
        },
        [&](const QString& f) {
            done = true;
            doneThread = QThread::currentThread();
            fault = f;
            // Every progress report was delivered before the end.
            QCOMPARE(spy.count(), 2);
        }));
    QTRY_VERIFY(done);
    QVERIFY(!job.running());
    QCOMPARE(result, 42);
    QVERIFY(fault.isEmpty());
    QCOMPARE(doneThread, QThread::currentThread());
    QVERIFY(workThread.load() != QThread::currentThread());
    QCOMPARE(spy.at(0).at(0).toInt(), 40);
    QCOMPARE(spy.at(1).at(1).toString(), QStringLiteral("修补"));
}

void LongJobTest::aFaultComesBackAsText()
{
    LongJob job;
    bool done = false;
    QString fault;
    job.start([](LongJob::Context&) { throw std::runtime_error("磁盘已满"); },
              [&](const QString& f) {
                  done = true;
                  fault = f;
              });
    QTRY_VERIFY(done);
    QCOMPARE(fault, QStringLiteral("磁盘已满"));
}

void LongJobTest::cancelReachesTheWorkAndASecondStartWaits()
{
    LongJob job;
    std::atomic<bool> started{false};
    bool sawCancel = false;
    bool done = false;
    QVERIFY(job.start(
        [&](LongJob::Context& c) {
            started = true;
            while (!c.cancelled())
                std::this_thread::yield();
            sawCancel = true;
        },
        [&](const QString&) { done = true; }));
    QVERIFY(job.running());
    // One run at a time: a start while it runs is refused and changes nothing.
    QVERIFY(!job.start([](LongJob::Context&) {}, [](const QString&) {}));
    job.cancel();
    QTRY_VERIFY(done);
    QVERIFY(started.load());
    QVERIFY(sawCancel);
    // The flag is fresh for the next run.
    bool second = false;
    QVERIFY(job.start([&](LongJob::Context& c) { second = !c.cancelled(); }, [&](const QString&) { done = false; }));
    QTRY_VERIFY(!done);
    QVERIFY(second);
}

QTEST_MAIN(LongJobTest)
#include "longjob_test.moc"
