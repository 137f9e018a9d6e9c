// The school file on disk: where it is, the compaction at start, the step-clear commands,
// backup and restore.
#pragma once

#include <filesystem>
#include <string>

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

// Rewrites the file compactly through a temporary "db_temp.dat" beside it and an atomic
// rename. Any failure leaves the original file as it was and is reported only as false.
bool compactDatabase(const fs::path& file);

// Why `file` cannot serve as a school file ("" when it can): not an SQLite file, or lacks
// tables or columns. Opens the file read-only and never changes it.
std::string checkSchoolFile(const fs::path& file);

// Creates a new, empty school file with the default user and options. Refuses (returns
// false) when anything already exists at `file`.
bool createDatabase(const fs::path& file);

// Steps 1, 2, 3, 4 and 6 of the home page; the dependent rows follow by cascade.
void clearStep(Store& s, int step);

// ".wkt" appended unless the name already ends in it.
std::string backupFileName(const std::string& chosen);

// Copies the open file to `dest` (replacing it). False when the copy failed; the
// connection is open again either way.
bool backupDatabase(Store& s, const fs::path& dest);

// Replaces the open file with `src`. The source is checked first and copied beside the
// target before an atomic rename, so a refused or failed restore leaves the file whole.
// Returns "" on success, else the reason.
std::string restoreDatabase(Store& s, const fs::path& src);

}  // namespace tavrin::store
