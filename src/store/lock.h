// The lock beside a school file ("db.dat.lock"): the window holds it while it runs and
// tavrin-cli's writing verbs while they work, so that only one of them ever writes or
// compacts a school. A lock left behind by a copy that crashed is taken over.
#pragma once

#include <filesystem>
#include <memory>

namespace tavrin::store {

class SchoolLock {
public:
    enum class State {
        Held,         // ours until destroyed
        Busy,         // held by another running copy
        Unavailable,  // cannot be made (a read-only folder, no permission)
    };

    // Tries once, without waiting.
    explicit SchoolLock(const std::filesystem::path& school);
    ~SchoolLock();
    SchoolLock(const SchoolLock&) = delete;
    SchoolLock& operator=(const SchoolLock&) = delete;

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    const std::filesystem::path& lockPath() const { return lockPath_; }

    // The name of the lock of `school`: beside the file itself (a link's target), so that
    // every name of one school shares one lock.
    static std::filesystem::path lockPathOf(const std::filesystem::path& school);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    State state_ = State::Unavailable;
    std::filesystem::path lockPath_;
};

}  // namespace tavrin::store
