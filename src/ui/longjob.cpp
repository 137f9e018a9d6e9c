#include "ui/longjob.h"

#include <QMetaObject>
#include <QtGlobal>
#include <QPointer>
#include <QThread>

#include <exception>

namespace tavrin::ui {

void LongJob::Context::progress(int percent, const QString& stage) const
{
    QPointer<LongJob> job(&job_);
    QMetaObject::invokeMethod(
        &job_,
        [job, percent, stage] {
            if (job)
                Q_EMIT job->progressed(percent, stage);
        },
        Qt::QueuedConnection);
}

LongJob::LongJob(QObject* parent) : QObject(parent) {}

LongJob::~LongJob()
{
    if (thread_) {
        cancel_.store(true);
        thread_->wait();
        delete thread_;
    }
}

bool LongJob::start(Work work, Done done, unsigned stackSize)
{
    if (thread_)
        return false;
    cancel_.store(false);
    fault_.clear();
    done_ = std::move(done);
    thread_ = QThread::create([this, work = std::move(work)] {
        Context c(*this, cancel_);
        try {
            work(c);
        } catch (const std::exception& e) {
            fault_ = QString::fromUtf8(e.what());
        } catch (...) {
            qCritical("long job: a fault that is not a std::exception");
            fault_ = QStringLiteral("未知错误");
        }
    });
    thread_->setObjectName(QStringLiteral("LongJob"));
    if (stackSize > 0)
        thread_->setStackSize(stackSize);
    connect(thread_, &QThread::finished, this, &LongJob::finish, Qt::QueuedConnection);
    thread_->start();
    return true;
}

void LongJob::finish()
{
    if (!thread_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    // Progress queued before the end has been delivered by now: it was posted earlier.
    Done done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(fault_);
}

}  // namespace tavrin::ui
