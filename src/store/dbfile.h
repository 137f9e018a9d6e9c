// The school file on disk: where it is, the check of a file before it is used, the
// compaction at start, the step-clear commands, backup and restore.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "store/result.h"
#include "store/store.h"

namespace tavrin::store {

namespace fs = std::filesystem;

// Finding the file at start: "db.dat" in `dir`, else "db.wkt" renamed to it.
struct Located {
    fs::path path;               // dir / "db.dat"
    bool found = false;          // a file is there now
    bool renamedFallback = false;
};
Located locateDatabase(const fs::path& dir);

// Whether this user may change `file` (and make the journal beside it).
bool canWrite(const fs::path& file);

// Whether `file` can serve as a school file; the refusal names the file and the reason:
// missing, not a file, not an SQLite file, a table missing or not a plain table (a view,
// a virtual table), triggers, missing columns. A save interrupted by a crash is rolled back
// first when the file may be written, so such a file opens as it was before the crash.
// Otherwise the file is not changed.
Result checkSchoolFile(const fs::path& file);

// SQLite's own quick check of the file's structure; the refusal names the file.
Result quickCheck(const fs::path& file);

// Compacts the file in place (VACUUM on the file itself: its mode, owner and links stay
// as they were), only after the quick check passes, and never a file this user cannot
// write. The caller holds the school's lock. Refused, with a message, for a damaged file,
// which is left as it is; a compaction that fails otherwise is logged and changes nothing.
Result compactDatabase(const fs::path& file);

// Creates a new, empty school file with the default options and whatever `fill` adds, in
// one transaction. False, touching nothing, when anything already exists at `file`. When
// the file cannot be made (no such folder, no permission, a full disk) throws a DbError
// whose message names the path and the reason, and leaves no file behind.
bool createDatabase(const fs::path& file, const std::function<void(Store&)>& fill = {});

// The message of a school file that could not be made: "无法建立数据库文件：PATH（reason）".
std::string cannotCreateMessage(const fs::path& file, const std::string& reason);

// Steps 1, 2, 3, 4 and 6 of the home page; the dependent rows follow by cascade.
Result clearStep(Store& s, int step);

// ".wkt" appended unless the name already ends in it.
std::string backupFileName(const std::string& chosen);

// Copies the open file to `dest` (replacing it). The connection is open again either way.
Result backupDatabase(Store& s, const fs::path& dest);

// Replaces the open file with `src`. The source is checked as at start first and copied
// beside the target before an atomic rename, so a refused or failed restore leaves the
// file whole. The refusal's message is the reason alone.
Result restoreDatabase(Store& s, const fs::path& src);

}  // namespace tavrin::store
