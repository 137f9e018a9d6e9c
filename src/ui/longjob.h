// Long work off the window's thread: the search, the exports and the imports run on a
// worker thread, report progress and poll a cancel flag, and hand their end back to the
// window's thread, so the window stays responsive and repaints meanwhile.
//
//     job_->start([=](LongJob::Context& c) { ... c.progress(40, "...") ... c.cancelled() ... },
//                 [=](const QString& fault) { ... back on the window's thread ... });
//
// The work owns whatever it produces (capture a shared_ptr to a result); the done function
// reads it after the worker has ended. A fault the work throws ends it and comes back as the
// text of `done`'s argument, empty when the work ended normally.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

namespace tavrin::ui {

class LongJob : public QObject {
    Q_OBJECT
public:
    // What the work sees of its job: the cancel flag, and progress to report. Both may be
    // used from the worker thread.
    class Context {
    public:
        bool cancelled() const { return cancel_.load(std::memory_order_relaxed); }
        const std::atomic<bool>& cancelFlag() const { return cancel_; }
        // Percent 0..100 and the stage's name; delivered to `progressed` on the window's thread.
        void progress(int percent, const QString& stage = {}) const;

    private:
        friend class LongJob;
        Context(LongJob& job, std::atomic<bool>& cancel) : job_(job), cancel_(cancel) {}
        LongJob& job_;
        std::atomic<bool>& cancel_;
    };

    using Work = std::function<void(Context&)>;
    using Done = std::function<void(const QString& fault)>;

    explicit LongJob(QObject* parent = nullptr);
    // A job still running when its owner goes is cancelled and waited for.
    ~LongJob() override;

    // Starts the work on a new thread; false (and nothing started) while another run is
    // still going. `stackSize` 0 takes the system's default.
    bool start(Work work, Done done, unsigned stackSize = 0);
    bool running() const { return thread_ != nullptr; }
    // Asks the work to stop at its next poll; `done` still follows.
    void cancel() { cancel_.store(true); }
    bool cancelRequested() const { return cancel_.load(); }
    // The flag itself, for work that hands it on to the logic it calls.
    const std::atomic<bool>& cancelFlag() const { return cancel_; }

Q_SIGNALS:
    void progressed(int percent, const QString& stage);

private:
    std::atomic<bool> cancel_{false};
    QThread* thread_ = nullptr;
    Done done_;
    QString fault_;
    void finish();
};

}  // namespace tavrin::ui
