// Finding and checking the school file when the window program starts.
#pragma once

#include <QString>

#include <filesystem>
#include <memory>

#include "store/lock.h"

namespace tavrin::ui {

class Asker;

struct StartupFile {
    bool ok = false;
    std::filesystem::path path;
    bool created = false;   // there was none; a new empty school was made
    bool readOnly = false;  // open it read-only: another window has it, or it may not be written
    // The school's lock, held for as long as the window runs (none when read-only).
    std::shared_ptr<store::SchoolLock> lock;
};

// `dbOption` is the --db value, empty for db.dat in `programDir`. A missing db.dat takes
// db.wkt's place; with neither, a new empty school is created there and
// "找不到数据库文件db.dat" is shown; when it cannot be created, one message names the path
// and the reason and nothing is left behind. The school's lock is taken next: a school
// open in another window may only be viewed (the user chooses that or quitting), as may a
// file or folder this user cannot write. A file that is not a school file is refused with
// one message naming it and left untouched. A writable school is checked and compacted
// in place; a damaged one is reported and left as it is.
StartupFile openSchoolFile(const QString& dbOption, const std::filesystem::path& programDir, Asker& asker);

}  // namespace tavrin::ui
