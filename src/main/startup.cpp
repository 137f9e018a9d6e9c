#include "main/startup.h"

#include <QDir>

#include "users/users.h"
#include "store/dbfile.h"
#include "ui/asker.h"

namespace tavrin::ui {

namespace fs = std::filesystem;

StartupFile openSchoolFile(const QString& dbOption, const fs::path& programDir, Asker& asker)
{
    StartupFile out;
    store::Located loc;
    if (dbOption.isEmpty()) {
        loc = store::locateDatabase(programDir);
    } else {
        fs::path p = fs::absolute(fs::path(dbOption.toStdString()));
        // The usual name keeps its fallback; any other name is taken as it is.
        if (p.filename() == "db.dat") {
            loc = store::locateDatabase(p.parent_path());
        } else {
            loc.path = p;
            std::error_code ec;
            loc.found = fs::exists(p, ec);
        }
    }
    out.path = loc.path;
    const QString shown = QDir::toNativeSeparators(QString::fromStdString(loc.path.string()));
    if (!loc.found) {
        // A new empty school keeps the program usable; nothing is ever overwritten.
        try {
            if (!users::initDatabase(loc.path)) {
                asker.inform(QStringLiteral("无法建立数据库文件：") + shown, {}, Icon::Critical);
                return out;
            }
        } catch (const std::exception& e) {
            asker.inform(QStringLiteral("找不到数据库文件db.dat\n") + QString::fromStdString(store::userMessage(e)),
                         QStringLiteral("Tavrin"), Icon::Critical);
            return out;
        }
        asker.inform(QStringLiteral("找不到数据库文件db.dat"));
        out.created = true;
    }
    // One window writes a school at a time; another may only look at it.
    std::shared_ptr<store::SchoolLock> lock;
    if (store::canWrite(loc.path))
        lock = std::make_shared<store::SchoolLock>(loc.path);
    const bool writable = lock && lock->held();
    if (lock && lock->state() == store::SchoolLock::State::Busy) {
        if (asker.ask(QStringLiteral("这个学校文件正在另一个窗口中打开：\n") + shown +
                          QStringLiteral("\n要以只读方式打开查看吗？选“否”退出。"),
                      QStringLiteral("Tavrin"), Buttons::YesNo, Icon::Question) != Answer::Yes)
            return out;
    } else if (!writable) {
        asker.inform(QStringLiteral("没有修改这个文件的权限，只能查看，不能修改：\n") + shown, {}, Icon::Warning);
    }
    // Checked under the lock, before anything writes: a save a crash interrupted is rolled
    // back here, and a file that is not ours stays as it is.
    const store::Result checked = store::checkSchoolFile(loc.path);
    if (!checked) {
        asker.inform(QString::fromStdString(checked.message), QStringLiteral("Tavrin"), Icon::Critical);
        return out;
    }
    if (writable) {
        const store::Result compacted = store::compactDatabase(loc.path);
        if (!compacted)
            asker.inform(QString::fromStdString(compacted.message), QStringLiteral("Tavrin"), Icon::Warning);
        out.lock = std::move(lock);
    }
    out.readOnly = !writable;
    out.ok = true;
    return out;
}

}  // namespace tavrin::ui
