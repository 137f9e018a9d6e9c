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
    if (!loc.found) {
        asker.inform(QStringLiteral("找不到数据库文件db.dat"));
        // A new empty school keeps the program usable; nothing is ever overwritten.
        if (!users::initDatabase(loc.path)) {
            asker.inform(QStringLiteral("无法建立数据库文件：") +
                             QDir::toNativeSeparators(QString::fromStdString(loc.path.string())),
                         {}, Icon::Critical);
            return out;
        }
        out.created = true;
    }
    // Check before anything writes: a file that is not ours stays as it is.
    const std::string why = store::checkSchoolFile(loc.path);
    if (!why.empty()) {
        asker.inform(QString::fromStdString(why), QStringLiteral("Tavrin"), Icon::Critical);
        return out;
    }
    store::compactDatabase(loc.path);
    out.ok = true;
    return out;
}

}  // namespace tavrin::ui
