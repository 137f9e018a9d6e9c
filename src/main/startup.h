// Finding and checking the school file when the window program starts.
#pragma once

#include <QString>

#include <filesystem>

namespace tavrin::ui {

class Asker;

struct StartupFile {
    bool ok = false;
    std::filesystem::path path;
    bool created = false;  // there was none; a new empty school was made
};

// `dbOption` is the --db value, empty for db.dat in `programDir`. A missing db.dat takes
// db.wkt's place; with neither, "找不到数据库文件db.dat" is shown and a new empty school is
// created there. A file that is not a school file is refused with one message naming it
// and left untouched. A usable file is compacted silently.
StartupFile openSchoolFile(const QString& dbOption, const std::filesystem::path& programDir, Asker& asker);

}  // namespace tavrin::ui
