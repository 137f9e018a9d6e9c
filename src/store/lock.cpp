#include "store/lock.h"

#include <QLockFile>
#include <QString>

namespace tavrin::store {

struct SchoolLock::Impl {
    explicit Impl(const QString& name) : file(name) {}
    QLockFile file;
};

std::filesystem::path SchoolLock::lockPathOf(const std::filesystem::path& school)
{
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(school, ec);
    if (ec)
        real = std::filesystem::absolute(school, ec);
    real += ".lock";
    return real;
}

SchoolLock::SchoolLock(const std::filesystem::path& school) : lockPath_(lockPathOf(school))
{
    impl_ = std::make_unique<Impl>(QString::fromStdString(lockPath_.string()));
    // The window holds its lock for hours: only a dead holder makes a lock stale, never age.
    impl_->file.setStaleLockTime(0);
    if (impl_->file.tryLock(0)) {
        state_ = State::Held;
        return;
    }
    state_ = impl_->file.error() == QLockFile::LockFailedError ? State::Busy : State::Unavailable;
}

SchoolLock::~SchoolLock() = default;

}  // namespace tavrin::store
