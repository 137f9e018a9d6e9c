// The timetable stored in a school file against the one stored in a backup of the same
// school, as `changes` and `notices` compare them. Both files are only read.
#pragma once

#include <string>
#include <vector>

#include "cli/open.h"
#include "model/kechen.h"
#include "model/loaders.h"
#include "timetable/changes.h"

namespace tavrin::cli {

struct Comparison {
    model::School school;
    model::Grids now, base;
    std::vector<model::SkippedRow> skippedNow, skippedBackup;
    timetable::KbGridsRef baseline() const { return {base.Renke_B, base.Renke_T}; }
    timetable::KbGridsRef current() const { return {now.Renke_B, now.Renke_T}; }
};

inline Comparison compareWithBackup(const std::string& path, const std::string& against)
{
    // The backup first: every later fault names the school file itself.
    auto backup = openSchool(against);
    auto st = openSchool(path);
    Comparison c;
    c.school = model::loadSchool(*st);
    const model::School backupSchool = model::loadSchool(*backup);
    if (const std::string diff = timetable::schoolDifference(c.school, backupSchool); !diff.empty())
        throw Failure("两个文件不是同一所学校的：" + diff + "。");
    c.now = model::LoadKeChenData(*st, c.school, &c.skippedNow);
    // The backup's rows read against this school: the ids were just found to name the same.
    c.base = model::LoadKeChenData(*backup, c.school, &c.skippedBackup);
    return c;
}

}  // namespace tavrin::cli
