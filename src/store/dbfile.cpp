#include "store/dbfile.h"

#include <sqlite3.h>

#include <system_error>

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

bool compactDatabase(const fs::path& file)
{
    std::error_code ec;
    fs::path tmp = file.parent_path() / "db_temp.dat";
    // A leftover from an interrupted compaction would make VACUUM INTO fail for good.
    fs::remove(tmp, ec);
    try {
        {
            Store s(file);
            auto st = s.prepare("VACUUM INTO ?1");
            st.bind(1, tmp.string());
            st.run();
        }
        if (!checkSchoolFile(tmp).empty()) {
            fs::remove(tmp, ec);
            return false;
        }
        fs::rename(tmp, file, ec);
        if (ec) {
            fs::remove(tmp, ec);
            return false;
        }
        return true;
    } catch (const std::exception&) {
        fs::remove(tmp, ec);
        return false;
    }
}

std::string checkSchoolFile(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return "文件不存在：" + file.string();
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return "无法打开数据库文件：" + file.string();
    }
    // Reading the schema is what reveals a file that is not a database at all.
    char* err = nullptr;
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        return "文件不是排课数据库：" + file.string();
    try {
        Store s(file);
        auto missing = missingTables(s);
        if (!missing.empty())
            return "文件不是排课数据库（缺少数据表 " + missing.front() + "）：" + file.string();
    } catch (const std::exception&) {
        return "文件不是排课数据库：" + file.string();
    }
    return {};
}

bool createDatabase(const fs::path& file)
{
    std::error_code ec;
    if (fs::exists(file, ec) || fs::is_symlink(file, ec))
        return false;
    Store s(file, Store::Mode::CreateIfMissing);
    createSchema(s);
    insertDefaultPaiOpt(s);
    return true;
}

void clearStep(Store& s, int step)
{
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
}

std::string backupFileName(const std::string& chosen)
{
    if (chosen.size() >= 4 && chosen.compare(chosen.size() - 4, 4, ".wkt") == 0)
        return chosen;
    return chosen + ".wkt";
}

bool backupDatabase(Store& s, const fs::path& dest)
{
    std::error_code ec;
    s.close();
    bool ok = fs::copy_file(s.path(), dest, fs::copy_options::overwrite_existing, ec) && !ec;
    try {
        s.reopen();
    } catch (const std::exception&) {
        ok = false;
    }
    return ok;
}

std::string restoreDatabase(Store& s, const fs::path& src)
{
    std::string why = checkSchoolFile(src);
    if (!why.empty())
        return why;
    std::error_code ec;
    fs::path target = s.path();
    fs::path tmp = target;
    tmp += ".restore";
    fs::remove(tmp, ec);
    if (!fs::copy_file(src, tmp, fs::copy_options::overwrite_existing, ec) || ec) {
        fs::remove(tmp, ec);
        return "复制文件失败：" + src.string();
    }
    s.close();
    fs::rename(tmp, target, ec);
    std::string result;
    if (ec) {
        fs::remove(tmp, ec);
        result = "复制文件失败：" + src.string();
    }
    try {
        s.reopen();
    } catch (const std::exception& e) {
        result = e.what();
    }
    return result;
}

}  // namespace tavrin::store
