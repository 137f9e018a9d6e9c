// `import PATH subjects|assignments FILE [--save] [--yes] [--json]`: reads the first sheet of
// a workbook the way the subject or teacher page's import does and prints what it would add
// and what it skips, with the reason; with --save it applies that to the page's working copy
// and saves it with the page's own save. A file that cannot be read, or an import that would
// pass the limits, changes nothing and fails with the page's message.
#include <nlohmann/json.hpp>

#include <iostream>

#include "cli/open.h"
#include "entry/result.h"
#include "spreadsheet/entryimport.h"

namespace tavrin::cli {
namespace {

namespace ss = tavrin::spreadsheet;

struct ImportArgs {
    std::string path, kind, file;
    bool save = false, yes = false, json = false;
};

nlohmann::json skippedJson(const std::vector<ss::ImportSkip>& skipped)
{
    auto out = nlohmann::json::array();
    for (const auto& s : skipped)
        out.push_back({{"row", s.row}, {"column", s.col}, {"text", s.text}, {"reason", s.reason}});
    return out;
}

void printSkipped(const std::vector<ss::ImportSkip>& skipped)
{
    for (const auto& s : skipped)
        std::cout << "跳过：" << ss::skipLine(s) << '\n';
}

int runImport(const ImportArgs& a)
{
    auto st = openSchool(a.path, a.save ? Access::Write : Access::Read);
    const ss::ReadResult read = ss::readFirstSheet(a.file);
    if (!read.ok())
        throw Failure(read.message.empty() ? std::string(ss::kNotWorkbookText) : read.message);
    nlohmann::json report;
    bool changed = false;
    if (a.kind == "subjects") {
        entry::KemuDraft d = entry::loadSubjects(*st);
        const ss::SubjectPlan plan = ss::planSubjects(read.sheet, d);
        if (!plan.refusal.empty())
            throw Failure(plan.refusal);
        report["subjects"] = nlohmann::json::array();
        for (const auto& r : plan.rows) {
            nlohmann::json row{{"row", r.sheetRow}, {"name", r.name}, {"new", r.draftRow < 0}};
            nlohmann::json cells = nlohmann::json::object();
            std::string line = (r.draftRow < 0 ? "新科目 " : "科目 ") + r.name + "：";
            for (std::size_t g = 0; g < r.cells.size(); ++g)
                if (r.cells[g]) {
                    cells[d.groups[g].caption()] = *r.cells[g];
                    line += " " + d.groups[g].caption() + "=" + (r.cells[g]->empty() ? "0" : *r.cells[g]);
                }
            row["groups"] = cells;
            report["subjects"].push_back(row);
            if (!a.json)
                std::cout << line << '\n';
        }
        report["skipped"] = skippedJson(plan.skipped);
        if (!a.json)
            printSkipped(plan.skipped);
        if (a.save) {
            changed = ss::applySubjects(d, plan);
            if (changed) {
                bool asked = false;
                const auto r = entry::saveSubjects(*st, d, [&](const std::string&) {
                    asked = true;
                    return a.yes;
                });
                if (!r.ok) {
                    if (asked && r.message.empty()) {
                        std::cout << "未保存：" << entry::kOverCapacityQuestion << "（加 --yes 确认）" << '\n';
                        return 2;
                    }
                    throw Failure(r.message);
                }
            }
        }
    } else {
        entry::TeaDraft d = entry::loadTeachers(*st);
        const ss::AssignmentPlan plan = ss::planAssignments(read.sheet, d);
        if (!plan.refusal.empty())
            throw Failure(plan.refusal);
        report["assignments"] = nlohmann::json::array();
        for (const auto& add : plan.adds) {
            report["assignments"].push_back({{"row", add.sheetRow},
                                             {"column", add.sheetCol},
                                             {"teacher", add.name},
                                             {"class", d.className(add.ban)},
                                             {"subject", d.subjectName(add.ke)},
                                             {"periods", add.jieshu}});
            if (!a.json)
                std::cout << "任课 " << add.name << " " << d.className(add.ban) << " " << d.subjectName(add.ke) << " "
                          << add.jieshu << "节" << '\n';
        }
        report["newTeachers"] = plan.newTeachers;
        for (const auto& n : plan.newTeachers)
            if (!a.json)
                std::cout << "新教师 " << n << '\n';
        report["skipped"] = skippedJson(plan.skipped);
        if (!a.json)
            printSkipped(plan.skipped);
        if (a.save) {
            changed = ss::applyAssignments(d, plan);
            if (changed)
                if (const auto r = entry::saveTeachers(*st, d); !r.ok)
                    throw Failure(r.message);
        }
    }
    report["saved"] = a.save && changed;
    if (a.json)
        std::cout << report.dump(2) << '\n';
    else if (a.save)
        std::cout << (changed ? entry::kSaved : "没有要导入的内容") << '\n';
    return 0;
}

const bool registered = registerVerb(34, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("import", "从 Excel 工作簿导入科目节数或教师任课；--save 导入后保存");
    auto a = std::make_shared<ImportArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("KIND", a->kind, "subjects（科目节数）或 assignments（教师任课）")
        ->required()
        ->check(CLI::IsMember({"subjects", "assignments"}));
    cmd->add_option("FILE", a->file, "工作簿文件（.xlsx 或 .xls）")->required();
    cmd->add_flag("--save", a->save, "导入后按界面的保存写入文件");
    cmd->add_flag("--yes", a->yes, "总节数超出课时容量时也保存");
    cmd->add_flag("--json", a->json, "以 JSON 输出");
    cmd->callback([a] {
        const int status = runImport(*a);
        if (status != 0)
            throw ExitStatus(status);
    });
});

}  // namespace
}  // namespace tavrin::cli
