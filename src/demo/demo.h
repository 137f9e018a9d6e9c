// The demo school: a realistic Chinese middle school, generated from a seed, with a complete
// timetable laid out first (the planted timetable) and every datum derived from it, so that
// a school generated here always has at least one timetable that keeps every hard rule.
// Tests, benchmarks and `tavrin-cli demo` build their fixtures with it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/store.h"

namespace tavrin::demo {

// small = 1 grade group x 4 classes, medium = 3 x 8, large = 6 x 12, xl = 6 x 20.
enum class DemoSize { Small, Medium, Large, Xl };

struct DemoOptions {
    DemoSize size = DemoSize::Small;
    std::uint32_t seed = 1;
    bool combined = false;      // add a few combined groups (heban)
    bool writePlanted = false;  // also store the planted timetable in kechenbd
};

// "small", "medium", "large", "xl".
const char* demoSizeName(DemoSize size);
std::optional<DemoSize> parseDemoSize(std::string_view name);

// The rows of the school as they go into the file. IDs are the file's: 1-based and dense,
// weekdays 1 (Monday) .. 7, periods 1..P.
struct DemoGrade {
    std::string name;            // jibd.jiname; jiid = position + 1
    bool operator==(const DemoGrade&) const = default;
};
struct DemoClass {
    std::string name;            // banbd.banname; banid = position + 1
    int ji = 0;                  // jiid
    bool operator==(const DemoClass&) const = default;
};
struct DemoSubject {
    std::string name, shortName; // kemubd; kemuid = position + 1
    int maxjie = 0;
    int lianpai = 0;
    bool operator==(const DemoSubject&) const = default;
};
struct DemoTeacher {
    std::string name, shortName; // teabd; teaid = position + 1
    bool operator==(const DemoTeacher&) const = default;
};
// One teaching assignment (renkebd row). The rows are kept in the order the model loader
// reads them (subject, teacher, class), so the position of a row is its assignment index.
struct DemoRenke {
    int tea = 0, ban = 0, ke = 0, jieshu = 0, heban = 0;
    bool operator==(const DemoRenke&) const = default;
};
struct DemoGudin {
    std::string name;
    int weekday = 0, jie = 0, ban = 0;
    bool operator==(const DemoGudin&) const = default;
};
struct DemoKeMark {
    int ke = 0, ban = 0, weekday = 0, jie = 0, teshu = 0;
    bool operator==(const DemoKeMark&) const = default;
};
struct DemoTeaMark {
    int tea = 0, weekday = 0, jie = 0, teshu = 0;
    bool operator==(const DemoTeaMark&) const = default;
};
// A row of PaiOptJie (`at` = theJie) or PaiOptDay (`at` = theDay).
struct DemoCondition {
    int optId = 0;
    int at = 0;
    int num = 0;  // n > 0: exactly n; n <= 0: at most -n
    std::optional<int> ban, ke, tea;
    bool operator==(const DemoCondition&) const = default;
};
struct DemoExclusion {
    int man = 0, wife = 0;
    bool operator==(const DemoExclusion&) const = default;
};
// One lesson of the planted timetable, as a kechenbd row would hold it.
struct PlantedLesson {
    int ban = 0, weekday = 0, jie = 0, tea = 0, ke = 0;
    bool operator==(const PlantedLesson&) const = default;
};

struct DemoSchool {
    std::string schoolName;                        // setting "学校名称"
    std::vector<int> weekdays;                     // daybd
    int mor = 0, aft = 0, nig = 0;                 // jieshu
    std::vector<std::pair<int, std::string>> times;        // timebd (jieid, jietime)
    std::vector<std::pair<int, std::string>> publicTimes;  // publictimebd (beforjie, timestr)
    std::vector<DemoGrade> grades;
    std::vector<DemoClass> classes;
    std::vector<DemoSubject> subjects;
    std::vector<std::vector<int>> jieshu;          // [kemuid - 1][banid - 1] weekly periods, 0 = none
    std::vector<DemoTeacher> teachers;
    std::vector<DemoRenke> renke;
    std::vector<DemoGudin> gudin;
    std::vector<DemoKeMark> keMarks;
    std::vector<DemoTeaMark> teaMarks;
    std::vector<DemoCondition> jieConditions;      // PaiOptJie
    std::vector<DemoCondition> dayConditions;      // PaiOptDay
    std::vector<DemoExclusion> exclusions;         // teaman / teawife
    std::vector<PlantedLesson> planted;            // in (class, weekday, period) order

    int subjectId(std::string_view name) const;    // 0 when there is none
    int totalLessons() const;                      // sum of the assignments' weekly periods
    bool operator==(const DemoSchool&) const = default;
};

// Builds the school for the options; the same options always give the same school.
DemoSchool makeDemoSchool(const DemoOptions& options);

// Writes `school` into a file that holds the empty schema, in one transaction; with
// `planted` the planted timetable goes into kechenbd as well.
void fillDemoSchool(store::Store& store, const DemoSchool& school, bool planted);

// Stores the planted timetable in kechenbd, replacing what is there.
void writePlantedTimetable(store::Store& store, const DemoSchool& school);

// Creates `file` as a new school file and fills it with the demo school. Refuses a file that
// already exists: returns false and, when `error` is given, says why.
bool writeDemoSchool(const std::filesystem::path& file, const DemoOptions& options, std::string* error = nullptr);

}  // namespace tavrin::demo
