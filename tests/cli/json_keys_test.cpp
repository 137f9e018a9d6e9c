// The keys that tavrin-cli prints with --json are a promise to scripts: the README lists
// them with "stable; new keys may be added, none is renamed or removed". These tests run
// the built program on a small demo school bent so that every documented array has an
// element to look into, and check each documented key, nested ones included, for presence
// and JSON type. The table below is the one place that mirrors the README's tables.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "store/schema.h"
#include "store/store.h"

extern char** environ;

namespace tavrin::cli {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

// Fixed seeds: the same school and the same timetable on every run.
constexpr const char* kDemoSeed = "3";
constexpr const char* kScheduleSeed = "5";

enum class Type { Integer, Number, Boolean, String, Array, Object };

const char* typeName(Type t)
{
    switch (t) {
    case Type::Integer: return "integer";
    case Type::Number: return "number";
    case Type::Boolean: return "boolean";
    case Type::String: return "string";
    case Type::Array: return "array";
    case Type::Object: return "object";
    }
    return "?";
}

bool hasType(const json& v, Type t)
{
    switch (t) {
    case Type::Integer: return v.is_number_integer();
    case Type::Number: return v.is_number();
    case Type::Boolean: return v.is_boolean();
    case Type::String: return v.is_string();
    case Type::Array: return v.is_array();
    case Type::Object: return v.is_object();
    }
    return false;
}

struct DocumentedKey {
    const char* verb;
    const char* path;  // JSON pointer; "/0/" looks into the first element of an array
    Type type;
};

using T = Type;

// Every key the README documents for `info --json`, `schedule --json` and `check --json`.
// (`tables` holds one count per table of the file; those keys come from the schema and are
// checked in the info test.)
const DocumentedKey kDocumented[] = {
    // info
    {"info", "/file", T::String},
    {"info", "/tables", T::Object},
    {"info", "/steps", T::Object},
    {"info", "/steps/ban", T::Boolean},
    {"info", "/steps/day", T::Boolean},
    {"info", "/steps/kemujieshu", T::Boolean},
    {"info", "/steps/renke", T::Boolean},
    {"info", "/steps/kechen", T::Boolean},
    {"info", "/status", T::String},
    {"info", "/school_name", T::String},
    {"info", "/week", T::Object},
    {"info", "/week/days", T::Array},
    {"info", "/week/days/0/day", T::Integer},
    {"info", "/week/days/0/weekday", T::Integer},
    {"info", "/week/days/0/name", T::String},
    {"info", "/week/mor", T::Integer},
    {"info", "/week/aft", T::Integer},
    {"info", "/week/nig", T::Integer},
    {"info", "/week/periods", T::Integer},
    {"info", "/week/slots", T::Integer},
    {"info", "/week/times", T::Array},
    {"info", "/week/times/0/jie", T::Integer},
    {"info", "/week/times/0/time", T::String},
    {"info", "/week/public", T::Array},
    {"info", "/week/public/0/after", T::Integer},
    {"info", "/week/public/0/text", T::String},
    {"info", "/grades", T::Array},
    {"info", "/grades/0/id", T::Integer},
    {"info", "/grades/0/name", T::String},
    {"info", "/grades/0/classes", T::Array},
    {"info", "/grades/0/classes/0", T::Integer},
    {"info", "/classes", T::Array},
    {"info", "/classes/0/id", T::Integer},
    {"info", "/classes/0/name", T::String},
    {"info", "/classes/0/grade", T::Integer},
    {"info", "/classes/0/grade_name", T::String},
    {"info", "/classes/0/capacity", T::Integer},
    {"info", "/classes/0/kemujieshu", T::Integer},
    {"info", "/classes/0/over_capacity", T::Boolean},
    {"info", "/classes/0/fixed", T::Integer},
    {"info", "/classes/0/locked", T::Boolean},
    {"info", "/subjects", T::Array},
    {"info", "/subjects/0/id", T::Integer},
    {"info", "/subjects/0/name", T::String},
    {"info", "/subjects/0/short", T::String},
    {"info", "/subjects/0/maxjie", T::Integer},
    {"info", "/subjects/0/lianpai", T::Integer},
    {"info", "/teachers", T::Array},
    {"info", "/teachers/0/id", T::Integer},
    {"info", "/teachers/0/name", T::String},
    {"info", "/teachers/0/short", T::String},
    {"info", "/teachers/0/lessons", T::Integer},
    {"info", "/teachers/0/locked", T::Boolean},
    {"info", "/assignments", T::Array},
    {"info", "/assignments/0/index", T::Integer},
    {"info", "/assignments/0/class", T::Integer},
    {"info", "/assignments/0/teacher", T::Integer},
    {"info", "/assignments/0/subject", T::Integer},
    {"info", "/assignments/0/lessons", T::Integer},
    {"info", "/assignments/0/heban", T::Integer},
    {"info", "/unassigned", T::Array},
    {"info", "/unassigned/0/class", T::Integer},
    {"info", "/unassigned/0/class_name", T::String},
    {"info", "/unassigned/0/subjects", T::Array},
    {"info", "/unassigned/0/subjects/0/subject", T::Integer},
    {"info", "/unassigned/0/subjects/0/name", T::String},
    {"info", "/unassigned/0/subjects/0/periods", T::Integer},
    {"info", "/conditions", T::Object},
    {"info", "/conditions/jie", T::Array},
    {"info", "/conditions/jie/0/opt", T::Integer},
    {"info", "/conditions/jie/0/rows", T::Array},
    {"info", "/conditions/jie/0/rows/0/jie", T::Integer},
    {"info", "/conditions/jie/0/rows/0/num", T::Integer},
    {"info", "/conditions/jie/0/rows/0/class", T::Integer},
    {"info", "/conditions/jie/0/rows/0/subject", T::Integer},
    {"info", "/conditions/jie/0/rows/0/teacher", T::Integer},
    {"info", "/conditions/day", T::Array},
    {"info", "/conditions/day/0/opt", T::Integer},
    {"info", "/conditions/day/0/rows", T::Array},
    {"info", "/conditions/day/0/rows/0/weekday", T::Integer},
    {"info", "/conditions/day/0/rows/0/num", T::Integer},
    {"info", "/conditions/day/0/rows/0/class", T::Integer},
    {"info", "/conditions/day/0/rows/0/subject", T::Integer},
    {"info", "/conditions/day/0/rows/0/teacher", T::Integer},
    {"info", "/conditions/exclusive", T::Array},
    {"info", "/conditions/exclusive/0/wmid", T::Integer},
    {"info", "/conditions/exclusive/0/teachers", T::Array},
    {"info", "/conditions/exclusive/0/teachers/0", T::Integer},
    {"info", "/conditions/exclusive/0/teachers/1", T::Integer},
    {"info", "/totals", T::Object},
    {"info", "/totals/kemujieshu", T::Integer},
    {"info", "/totals/assigned", T::Integer},
    {"info", "/totals/unassigned", T::Integer},
    {"info", "/totals/capacity", T::Integer},
    {"info", "/skipped", T::Array},
    {"info", "/skipped/0/table", T::String},
    {"info", "/skipped/0/row", T::String},
    {"info", "/skipped/0/reason", T::String},

    // schedule
    {"schedule", "/not_loaded", T::Array},
    {"schedule", "/lessons", T::Integer},
    {"schedule", "/placed", T::Integer},
    {"schedule", "/unplaced", T::Array},
    {"schedule", "/unplaced/0/renke", T::Integer},
    {"schedule", "/unplaced/0/class", T::Integer},
    {"schedule", "/unplaced/0/class_name", T::String},
    {"schedule", "/unplaced/0/subject", T::Integer},
    {"schedule", "/unplaced/0/subject_name", T::String},
    {"schedule", "/unplaced/0/teacher", T::Integer},
    {"schedule", "/unplaced/0/teacher_name", T::String},
    {"schedule", "/unplaced/0/count", T::Integer},
    {"schedule", "/unplaced/0/refused_by", T::Object},
    {"schedule", "/seed", T::Integer},
    {"schedule", "/start", T::Integer},
    {"schedule", "/seconds", T::Number},
    {"schedule", "/rank_calls", T::Integer},
    {"schedule", "/steps", T::Integer},
    {"schedule", "/restarts", T::Integer},
    {"schedule", "/swept", T::Integer},
    {"schedule", "/repaired", T::Integer},
    {"schedule", "/options", T::Object},
    {"schedule", "/options/strength", T::Integer},
    {"schedule", "/options/align", T::Integer},
    {"schedule", "/options/teacher_day", T::Integer},
    {"schedule", "/options/no_lian", T::Integer},
    {"schedule", "/options/repair", T::Boolean},
    {"schedule", "/quality", T::Object},
    {"schedule", "/quality/doubles_formed", T::Integer},
    {"schedule", "/quality/doubles_wanted", T::Integer},
    {"schedule", "/quality/preferred_kept", T::Integer},
    {"schedule", "/quality/preferred_marked", T::Integer},
    {"schedule", "/quality/same_day_repeats", T::Integer},
    {"schedule", "/quality/teacher_gaps", T::Integer},
    {"schedule", "/quality/out_of_step", T::Integer},
    {"schedule", "/quality/classes", T::Array},
    {"schedule", "/quality/teachers", T::Array},
    {"schedule", "/polish", T::Object},
    {"schedule", "/polish/before/same_day_repeats", T::Integer},
    {"schedule", "/polish/before/teacher_gaps", T::Integer},
    {"schedule", "/polish/before/preferred_kept", T::Integer},
    {"schedule", "/polish/before/breaches", T::Integer},
    {"schedule", "/polish/after/same_day_repeats", T::Integer},
    {"schedule", "/polish/after/teacher_gaps", T::Integer},
    {"schedule", "/polish/moves", T::Integer},
    {"schedule", "/polish/steps", T::Integer},
    {"schedule", "/polish/seconds", T::Number},
    {"schedule", "/polish/budget_spent", T::Boolean},
    {"schedule", "/polish/nothing_to_move", T::Boolean},
    {"schedule", "/report", T::Array},
    {"schedule", "/report/0", T::String},

    // check
    {"check", "/violations", T::Array},
    {"check", "/violations/0/kind", T::String},
    {"check", "/violations/0/ban", T::Integer},
    {"check", "/violations/0/tea", T::Integer},
    {"check", "/violations/0/slot", T::Integer},
    {"check", "/violations/0/renke", T::Integer},
    {"check", "/violations/0/text", T::String},
    {"check", "/placed", T::Integer},
    {"check", "/lessons", T::Integer},
    {"check", "/doubles_formed", T::Integer},
    {"check", "/doubles_wanted", T::Integer},
    {"check", "/skipped", T::Integer},
    {"check", "/not_loaded", T::Array},
    {"check", "/quality/same_day_repeats", T::Integer},
    {"check", "/quality/teacher_gaps", T::Integer},
    {"check", "/quality/classes", T::Array},
    {"check", "/quality/teachers", T::Array},
};

// The names a script may match on: the rules in `refused_by` and the kinds of a violation.
const std::set<std::string> kRefusalRules = {
    "固定课",         "科目不排",         "教师不排",         "场地限制",         "教师已有课",
    "科目时段条件",   "教师时段条件",     "科目日期条件",     "教师日期条件",     "科目固定时段未满",
    "教师固定时段未满", "科目固定日期未满", "教师固定日期未满", "教师互斥",         "合班冲突",
    "连堂要求",       "不连堂",           "进度一致",         "分数低于阈值",
};
const std::set<std::string> kViolationKinds = {
    "教师冲突", "固定课",   "不排",     "场地限制",   "时段条件", "日期条件",
    "教师互斥", "节数超出", "节数不符", "课表不一致", "合班",     "无效课",
};

// Reports every documented key of `verb` that `out` lacks or holds with another type. A key
// inside an empty array is reported as the fixture's fault, not the program's.
void expectDocumentedKeys(const std::string& verb, const json& out)
{
    ASSERT_TRUE(out.is_object()) << verb << " --json printed " << out.type_name() << ", not an object";
    int rows = 0;
    for (const auto& k : kDocumented) {
        if (verb != k.verb)
            continue;
        ++rows;
        json::json_pointer ptr(k.path);
        if (!out.contains(ptr)) {
            json::json_pointer have = ptr.parent_pointer();
            while (!have.empty() && !out.contains(have))
                have = have.parent_pointer();
            if (out.contains(have) && out.at(have).is_array() && out.at(have).empty())
                ADD_FAILURE() << verb << " --json: cannot see " << k.path << ": the test school left "
                              << have.to_string() << " empty";
            else
                ADD_FAILURE() << verb << " --json: documented key " << k.path << " is missing";
            continue;
        }
        const json& v = out.at(ptr);
        EXPECT_TRUE(hasType(v, k.type)) << verb << " --json: " << k.path << " is " << v.type_name()
                                        << ", documented as " << typeName(k.type);
    }
    EXPECT_GT(rows, 0) << "no documented keys listed for " << verb;
}

// ---- Running the built program.

struct Outcome {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out, err;
};

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A private folder for one test's files, removed afterwards.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "tavrin_cli_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Runs tavrin-cli with `args` (no shell in between), its output captured in files of `dir`.
Outcome runCli(const Scratch& dir, const std::vector<std::string>& args)
{
    const fs::path outFile = dir / "stdout.txt", errFile = dir / "stderr.txt";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all{TAVRIN_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, TAVRIN_CLI, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    Outcome o;
    if (rc != 0) {
        o.err = std::string("cannot start ") + TAVRIN_CLI;
        return o;
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus))
        o.status = WEXITSTATUS(wstatus);
    o.out = slurp(outFile);
    o.err = slurp(errFile);
    return o;
}

std::string joined(const std::vector<std::string>& args)
{
    std::string s = "tavrin-cli";
    for (const auto& a : args)
        s += " " + a;
    return s;
}

// Runs a --json verb and parses what it printed; `expectStatus` is the documented exit status.
json runJson(const Scratch& dir, const std::vector<std::string>& args, int expectStatus = 0)
{
    Outcome o = runCli(dir, args);
    EXPECT_EQ(o.status, expectStatus) << joined(args) << "\nstderr: " << o.err;
    json j = json::parse(o.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << joined(args) << " printed no JSON:\n" << o.out;
    return j;
}

// ---- The test school.

template <class... A>
int firstInt(store::Store& st, const char* sql, A&&... a)
{
    auto q = st.prepare(sql);
    q.bindAll(std::forward<A>(a)...);
    if (!q.step())
        throw std::runtime_error(std::string("the demo school has no row for: ") + sql);
    return q.integer(0);
}

// The small demo school, bent so that every array the keys are checked in has an element:
// one teacher refuses every period of the week (so `schedule` leaves lessons unplaced), one
// assignment is a period short of its class's weekly periods (`unassigned`), and one
// condition row names a period past the day (`skipped`).
fs::path makeSchool(const Scratch& dir)
{
    const fs::path file = dir / "school.db";
    Outcome made = runCli(dir, {"demo", file.string(), "--size", "small", "--seed", kDemoSeed, "--combined"});
    if (made.status != 0)
        throw std::runtime_error("demo failed: " + made.err);

    store::Store st(file);
    st.transaction([&] {
        // A teacher outside every combined lesson, so the refusals are plain "教师不排".
        const int blocked = firstInt(st, "SELECT teaid FROM renkebd WHERE heban = 0 AND teaid NOT IN "
                                         "(SELECT teaid FROM renkebd WHERE heban <> 0) ORDER BY teaid");
        const int periods = firstInt(st, "SELECT mor + aft + nig FROM jieshu");
        st.run("DELETE FROM teshutea WHERE teaid = ?1", blocked);
        std::vector<int> weekdays;
        for (auto q = st.prepare("SELECT dayid FROM daybd ORDER BY dayid"); q.step();)
            weekdays.push_back(q.integer(0));
        for (int w : weekdays)
            for (int p = 1; p <= periods; ++p)
                st.run("INSERT INTO teshutea(teaid, theday, thejie, teshu) VALUES(?1, ?2, ?3, 3)", blocked, w, p);

        const int shortRow =
            firstInt(st, "SELECT rowid FROM renkebd WHERE heban = 0 AND jieshu >= 2 AND teaid <> ?1 ORDER BY rowid",
                     blocked);
        st.run("UPDATE renkebd SET jieshu = jieshu - 1 WHERE rowid = ?1", shortRow);

        const int anyTeacher = firstInt(st, "SELECT teaid FROM teabd ORDER BY teaid");
        st.run("INSERT INTO PaiOptJie(OptId, theJie, theNum, BanId, KeId, TeaId) VALUES(?1, ?2, 0, NULL, NULL, ?3)", 9,
               periods + 1, anyTeacher);
    });
    return file;
}

// Moves one stored lesson of a class onto the period of another of its lessons with another
// teacher: the class grid and that teacher's grid no longer agree.
void breakTimetable(const fs::path& file)
{
    store::Store st(file);
    st.transaction([&] {
        auto first = st.prepare("SELECT rowid, theban, thetea, theday, thejie FROM kechenbd ORDER BY rowid");
        if (!first.step())
            throw std::runtime_error("no stored lesson to move");
        const int row = first.integer(0), ban = first.integer(1), tea = first.integer(2);
        const int day = first.integer(3), jie = first.integer(4);
        auto other = st.prepare("SELECT theday, thejie FROM kechenbd WHERE theban = ?1 AND thetea <> ?2 "
                                "AND (theday <> ?3 OR thejie <> ?4) ORDER BY rowid");
        other.bindAll(ban, tea, day, jie);
        if (!other.step())
            throw std::runtime_error("no second lesson in the class");
        st.run("UPDATE kechenbd SET theday = ?1, thejie = ?2 WHERE rowid = ?3", other.integer(0), other.integer(1), row);
    });
}

std::vector<std::string> scheduleArgs(const fs::path& file)
{
    return {"schedule", file.string(), "--seed", kScheduleSeed, "--json"};
}

// ---- The verbs.

TEST(CliJson, InfoPrintsEveryDocumentedKey)
{
    Scratch dir;
    const fs::path file = makeSchool(dir);
    json j = runJson(dir, {"info", file.string(), "--json"});
    expectDocumentedKeys("info", j);
    for (const auto& t : store::tables()) {
        const json::json_pointer p("/tables/" + std::string(t.name));
        EXPECT_TRUE(j.contains(p) && j.at(p).is_number_integer()) << "info --json: no row count " << p.to_string();
    }
}

TEST(CliJson, SchedulePrintsEveryDocumentedKey)
{
    Scratch dir;
    const fs::path file = makeSchool(dir);
    json j = runJson(dir, scheduleArgs(file));
    expectDocumentedKeys("schedule", j);
    ASSERT_TRUE(j.contains("seed") && j["seed"].is_number_integer());
    EXPECT_EQ(j["seed"].get<long long>(), std::atoll(kScheduleSeed));

    // Every rule named in `refused_by` is one of the documented names, with a count.
    ASSERT_TRUE(j.contains("unplaced") && j["unplaced"].is_array());
    int refusals = 0;
    for (const auto& u : j["unplaced"]) {
        if (!u.contains("refused_by") || !u["refused_by"].is_object())
            continue;
        for (const auto& [rule, n] : u["refused_by"].items()) {
            ++refusals;
            EXPECT_TRUE(kRefusalRules.count(rule)) << "schedule --json: refused_by names an undocumented rule \""
                                                   << rule << "\"";
            EXPECT_TRUE(n.is_number_integer()) << "schedule --json: refused_by[\"" << rule << "\"] is "
                                               << n.type_name();
        }
    }
    EXPECT_GT(refusals, 0) << "the test school left no refusal to look at";
}

TEST(CliJson, CheckPrintsEveryDocumentedKey)
{
    Scratch dir;
    // The generator's own timetable keeps every rule: status 0 and no violation.
    const fs::path planted = dir / "planted.db";
    ASSERT_EQ(runCli(dir, {"demo", planted.string(), "--size", "small", "--seed", kDemoSeed, "--combined", "--planted"})
                  .status,
              0);
    json kept = runJson(dir, {"check", planted.string(), "--json"}, 0);
    EXPECT_EQ(kept.value("violations", json::array()), json::array());

    const fs::path file = makeSchool(dir);
    runJson(dir, scheduleArgs(file));
    breakTimetable(file);
    json j = runJson(dir, {"check", file.string(), "--json"}, 1);
    expectDocumentedKeys("check", j);
    ASSERT_TRUE(j.contains("violations") && j["violations"].is_array());
    for (const auto& v : j["violations"]) {
        if (v.contains("kind") && v["kind"].is_string()) {
            EXPECT_TRUE(kViolationKinds.count(v["kind"].get<std::string>()))
                << "check --json: undocumented kind \"" << v["kind"].get<std::string>() << "\"";
        }
    }
}

// ---- Failures: one line on stderr in the program's words, exit status 1, the file as it was.

TEST(CliErrors, OneLineOnStderrAndTheFileUnchanged)
{
    Scratch dir;
    const fs::path missing = dir / "missing.db";
    const fs::path school = dir / "school.db";
    const fs::path text = dir / "notes.txt";
    ASSERT_EQ(runCli(dir, {"init", school.string()}).status, 0);
    {
        std::ofstream(text) << "not a school\n";
    }

    struct Case {
        std::vector<std::string> args;
        fs::path file;  // the file the verb must leave as it was (or absent)
    };
    const Case cases[] = {
        {{"info", missing.string()}, missing},
        {{"info", missing.string(), "--json"}, missing},
        {{"schedule", missing.string(), "--seed", "1", "--json"}, missing},
        {{"check", missing.string(), "--json"}, missing},
        {{"show", missing.string(), "--class", "1"}, missing},
        {{"info", text.string(), "--json"}, text},
        {{"demo", school.string(), "--size", "small"}, school},
        {{"init", school.string()}, school},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(joined(c.args));
        const bool existed = fs::exists(c.file);
        const std::string before = existed ? slurp(c.file) : std::string();
        Outcome o = runCli(dir, c.args);
        EXPECT_EQ(o.status, 1);
        EXPECT_TRUE(o.out.empty()) << "stdout: " << o.out;
        ASSERT_FALSE(o.err.empty());
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << "stderr is not one line: " << o.err;
        EXPECT_EQ(fs::exists(c.file), existed);
        if (existed) {
            EXPECT_EQ(slurp(c.file), before);
        }
    }
}

}  // namespace
}  // namespace tavrin::cli
