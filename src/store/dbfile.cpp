#include "store/dbfile.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <system_error>

#include "store/log.h"
#include "store/schema.h"

namespace tavrin::store {

Located locateDatabase(const fs::path& dir)
{
    Located l;
    l.path = dir / "db.dat";
    std::error_code ec;
    if (fs::exists(l.path, ec)) {
        l.found = true;
        return l;
    }
    fs::path wkt = dir / "db.wkt";
    if (fs::exists(wkt, ec)) {
        fs::rename(wkt, l.path, ec);
        if (!ec) {
            l.found = true;
            l.renamedFallback = true;
        }
    }
    return l;
}

namespace {
// Writable for this user, and not marked read-only by its owner: a file or folder without
// any write permission is one the user keeps from changes, even from a superuser's program.
bool writable(const fs::path& p)
{
    std::error_code ec;
    const auto perms = fs::status(p, ec).permissions();
    if (ec)
        return false;
    const auto anyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (perms & anyWrite) != fs::perms::none && ::access(p.c_str(), W_OK) == 0;
}

fs::path folderOf(const fs::path& file)
{
    fs::path dir = file.parent_path();
    return dir.empty() ? fs::path(".") : dir;
}
}  // namespace

bool canWrite(const fs::path& file)
{
    std::error_code ec;
    fs::path real = fs::canonical(file, ec);
    if (ec)
        real = file;
    return writable(real) && writable(folderOf(real));
}

namespace {

std::string notSchoolFile(const fs::path& file, const std::string& detail = {})
{
    return "文件不是排课数据库" + (detail.empty() ? std::string() : "（" + detail + "）") + "：" + file.string();
}

std::string lower(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// Why an open or a read of `file` failed, as the user is told it.
Result unreadable(const fs::path& file, const DbError& e)
{
    logFault("open " + file.string(), e.what());
    switch (e.code() & 0xff) {
    case SQLITE_NOTADB:
        return refused(notSchoolFile(file));
    case SQLITE_CORRUPT:
        return refused("数据库文件已损坏：" + file.string());
    case SQLITE_READONLY:
        // A hot journal that this user may not roll back.
        return refused("文件中有一次中断的保存需要恢复，但没有写入权限：" + file.string());
    default:
        return refused("无法读取数据库文件（" + e.reason() + "）：" + file.string());
    }
}

}  // namespace

Result checkSchoolFile(const fs::path& file)
{
    std::error_code ec;
    const auto status = fs::status(file, ec);
    if (!fs::exists(status))
        return refused("文件不存在：" + file.string());
    if (!fs::is_regular_file(status))
        return refused("不是文件：" + file.string());
    try {
        // A read-write open lets SQLite roll back a save that a crash interrupted (a hot
        // journal), which a read-only one cannot: the file then opens as it was before.
        Store s(file, canWrite(file) ? Store::Mode::OpenExisting : Store::Mode::ReadOnly);
        struct Entry {
            std::string type, name, sql;
        };
        std::vector<Entry> entries;
        {
            auto st = s.prepare("SELECT type, name, coalesce(sql, '') FROM sqlite_master");
            while (st.step())
                entries.push_back({st.text(0), st.text(1), st.text(2)});
        }
        std::set<std::string> ours;
        for (const auto& t : tables())
            ours.insert(lower(t.name));
        for (const auto& e : entries) {
            if (e.type == "trigger")
                return refused(notSchoolFile(file, "含有触发器 " + e.name));
            if (!ours.count(lower(e.name)))
                continue;
            if (e.type != "table")
                return refused(notSchoolFile(file, e.name + " 不是数据表"));
            if (startsWith(lower(e.sql), "create virtual"))
                return refused(notSchoolFile(file, e.name + " 不是普通数据表"));
        }
        auto missing = missingTables(s);
        if (!missing.empty())
            return refused(notSchoolFile(file, "缺少数据表 " + missing.front()));
    } catch (const DbError& e) {
        return unreadable(file, e);
    }
    return done();
}

Result quickCheck(const fs::path& file)
{
    try {
        Store s(file, Store::Mode::ReadOnly);
        auto st = s.prepare("PRAGMA quick_check");
        std::string first;
        if (st.step())
            first = st.text(0);
        if (first != "ok") {
            logFault("quick_check " + file.string(), first);
            return refused("数据库文件已损坏（完整性检查未通过）：" + file.string());
        }
    } catch (const DbError& e) {
        return unreadable(file, e);
    }
    return done();
}

Result compactDatabase(const fs::path& file)
{
    // A file this user may not change is left alone, whatever a copy would allow.
    if (!canWrite(file))
        return done();
    Result checked = quickCheck(file);
    if (!checked)
        return refused(checked.message + "\n文件没有压缩，也没有改动；可以用“恢复数据”换回一个备份。");
    try {
        Store s(file);
        s.exec("VACUUM");
    } catch (const DbError& e) {
        // VACUUM runs as one transaction: a failure leaves the file as it was.
        logFault("compaction " + file.string(), e.what());
    }
    return done();
}

std::string cannotCreateMessage(const fs::path& file, const std::string& reason)
{
    return "无法建立数据库文件：" + file.string() + "（" + reason + "）";
}

namespace {

std::string reasonOfErrno(int err, const fs::path& file)
{
    std::error_code ec;
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return fs::is_directory(folderOf(file), ec) ? "无法写入" : "文件夹不存在";
    case EACCES:
    case EPERM:
        return "没有写入权限";
    case EROFS:
        return "磁盘只读";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "磁盘空间不足";
    case EISDIR:
        return "同名的文件夹已存在";
    default:
        return "无法写入";
    }
}

}  // namespace

bool createDatabase(const fs::path& file, const std::function<void(Store&)>& fill)
{
    std::error_code ec;
    if (fs::exists(file, ec) || fs::is_symlink(file, ec))
        return false;
    if (fs::is_directory(folderOf(file), ec) && !writable(folderOf(file)))
        throw DbError(cannotCreateMessage(file, "没有写入权限"));
    // Made here, exclusively, so that a failure below removes only a file of our making.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        if (err == EEXIST)
            return false;
        logFault("create " + file.string(), std::strerror(err));
        throw DbError(cannotCreateMessage(file, reasonOfErrno(err, file)));
    }
    ::close(fd);
    auto removeMade = [&] {
        std::error_code rec;
        fs::path journal = file;
        journal += "-journal";
        fs::remove(journal, rec);
        fs::remove(file, rec);
    };
    try {
        Store s(file);
        s.transaction([&] {
            createSchema(s);
            insertDefaultPaiOpt(s);
            if (fill)
                fill(s);
        });
    } catch (const DbError& e) {
        logFault("create " + file.string(), e.what());
        removeMade();
        const int code = e.code() & 0xff;
        std::string reason = e.reason();
        if (code == SQLITE_IOERR || code == SQLITE_FULL)
            reason = "磁盘空间不足或无法写入";
        throw DbError(cannotCreateMessage(file, reason.empty() ? e.message() : reason));
    } catch (...) {
        removeMade();
        throw;
    }
    return true;
}

Result clearStep(Store& s, int step)
{
    if (s.readOnly())
        return refused(kReadOnlyRefusal);
    s.transaction([&] {
        switch (step) {
        case 1:
            s.run("DELETE FROM jibd");
            break;
        case 2:
            s.run("DELETE FROM gudinbd");
            s.run("DELETE FROM publictimebd");
            s.run("DELETE FROM timebd");
            break;
        case 3:
            s.run("DELETE FROM kemubd");
            break;
        case 4:
            s.run("DELETE FROM teabd");
            break;
        case 6:
            s.run("DELETE FROM kechenbd");
            break;
        default:
            throw DbError("no clear command for step " + std::to_string(step));
        }
    });
    return done("清除完成。");
}

std::string backupFileName(const std::string& chosen)
{
    if (chosen.size() >= 4 && chosen.compare(chosen.size() - 4, 4, ".wkt") == 0)
        return chosen;
    return chosen + ".wkt";
}

Result backupDatabase(Store& s, const fs::path& dest)
{
    const Result failed = refused("备份数据时出错，可能是数据库正打开着。");
    std::error_code ec;
    s.close();
    bool ok = fs::copy_file(s.path(), dest, fs::copy_options::overwrite_existing, ec) && !ec;
    if (!ok)
        logFault("backup to " + dest.string(), ec.message());
    try {
        s.reopen();
    } catch (const DbError& e) {
        logFault("backup: reopen", e.what());
        ok = false;
    }
    return ok ? done("备份成功。") : failed;
}

Result restoreDatabase(Store& s, const fs::path& src)
{
    if (s.readOnly())
        return refused(kReadOnlyRefusal);
    if (Result checked = checkSchoolFile(src); !checked)
        return checked;
    if (Result checked = quickCheck(src); !checked)
        return checked;
    std::error_code ec;
    fs::path target = s.path();
    // A name of our own making beside the target, so that no file of the user's is replaced
    // or removed on the way.
    std::string pattern = target.string() + ".restore-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        logFault("restore: temporary file beside " + target.string(), std::strerror(errno));
        return refused("复制文件失败：" + src.string());
    }
    ::close(fd);
    const fs::path tmp = pattern;
    if (!fs::copy_file(src, tmp, fs::copy_options::overwrite_existing, ec) || ec) {
        logFault("restore: copy " + src.string(), ec.message());
        fs::remove(tmp, ec);
        return refused("复制文件失败：" + src.string());
    }
    // The school keeps the mode it had, not the temporary file's private one.
    fs::permissions(tmp, fs::status(target, ec).permissions(), ec);
    s.close();
    fs::rename(tmp, target, ec);
    Result result = done("恢复数据完成。");
    if (ec) {
        logFault("restore: rename", ec.message());
        fs::remove(tmp, ec);
        result = refused("复制文件失败：" + src.string());
    }
    try {
        s.reopen();
    } catch (const DbError& e) {
        logFault("restore: reopen", e.what());
        result = refused(e.message());
    }
    return result;
}

}  // namespace tavrin::store
