#pragma once

#include <memory>
#include <string>

#include "cli/verbs.h"
#include "store/dbfile.h"
#include "store/lock.h"
#include "store/store.h"

namespace tavrin::cli {

// The school file a verb works on, named in the one line of a fault that comes later.
inline std::string& currentSchool()
{
    static std::string path;
    return path;
}

// A verb that only reads opens the school read-only; one that writes holds the school's
// lock (the window's) for as long as it runs.
enum class Access { Read, Write };

struct OpenSchool {
    std::unique_ptr<store::SchoolLock> lock;
    std::unique_ptr<store::Store> store;
    store::Store& operator*() const { return *store; }
    store::Store* operator->() const { return store.get(); }
};

// Opens an existing school file, or fails with a message naming it; never creates one.
inline OpenSchool openSchool(const std::string& path, Access access = Access::Read)
{
    currentSchool() = path;
    OpenSchool out;
    if (access == Access::Write) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            if (!store::canWrite(path))
                throw Failure("没有写入这个文件的权限：" + path);
            out.lock = std::make_unique<store::SchoolLock>(path);
            if (out.lock->state() == store::SchoolLock::State::Busy)
                throw Failure("学校文件正在另一个窗口中打开，现在不能写入：" + path);
            if (!out.lock->held())
                throw Failure("没有写入这个文件的权限：" + path);
        }
    }
    // Under the lock: a save a crash interrupted is rolled back here.
    store::Result checked = store::checkSchoolFile(path);
    if (!checked)
        throw Failure(checked.message);
    out.store = std::make_unique<store::Store>(
        path, access == Access::Read ? store::Store::Mode::ReadOnly : store::Store::Mode::OpenExisting);
    return out;
}

}  // namespace tavrin::cli
