// `changes PATH --against BACKUP [--json]`: the class and teacher timetables stored in PATH
// that differ from those stored in BACKUP, each with its moved lessons, as the change list
// and the change notices of the window show them. Both files are only read.
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/compare.h"
#include "cli/output.h"

namespace tavrin::cli {
namespace {

struct ChangesArgs {
    std::string path;
    std::string against;
    bool json = false;
};

std::string sideKind(timetable::KbSide side) { return side == timetable::KbSide::Ban ? "class" : "teacher"; }

void runChanges(const ChangesArgs& a)
{
    const Comparison c = compareWithBackup(a.path, a.against);
    const model::School& school = c.school;
    const auto& skippedNow = c.skippedNow;
    const auto& skippedBackup = c.skippedBackup;
    timetable::ChangeFinder finder(school);
    const auto tables = finder.find(c.baseline(), c.current());
    const auto& s = school;
    auto subject = [&](int r) { return s.KemuName[static_cast<std::size_t>(s.RenkeKe[static_cast<std::size_t>(r)])]; };
    auto teacher = [&](int r) { return s.TeaName[static_cast<std::size_t>(s.RenkeTea[static_cast<std::size_t>(r)])]; };

    if (a.json) {
        nlohmann::ordered_json j;
        j["timetables"] = nlohmann::ordered_json::array();
        for (const auto& t : tables) {
            nlohmann::ordered_json e;
            e["kind"] = sideKind(t.side);
            e["id"] = t.id;
            e["name"] = timetable::changedCaption(s, t);
            e["moves"] = nlohmann::ordered_json::array();
            for (const auto& m : t.moves)
                e["moves"].push_back({{"renke", m.r},
                                      {"class", timetable::movedClassText(finder, s, m.r, t.side)},
                                      {"subject", subject(m.r)},
                                      {"teacher", teacher(m.r)},
                                      {"from", m.from},
                                      {"from_time", timetable::slotTimeText(s, m.from)},
                                      {"to", m.to},
                                      {"to_time", timetable::slotTimeText(s, m.to)}});
            j["timetables"].push_back(std::move(e));
        }
        j["skipped"] = skippedNow.size();
        j["skipped_backup"] = skippedBackup.size();
        std::cout << jsonText(j) << '\n';
        return;
    }
    if (!skippedNow.empty())
        std::cout << "（" << a.path << " 中有 " << skippedNow.size() << " 行课表数据没有节次或没有任课，未比较）\n";
    if (!skippedBackup.empty())
        std::cout << "（" << a.against << " 中有 " << skippedBackup.size() << " 行课表数据没有节次或没有任课，未比较）\n";
    if (tables.empty()) {
        std::cout << "没有被调动的课表。\n";
        return;
    }
    std::cout << "被调动的表：" << tables.size() << " 张\n";
    for (const auto& t : tables) {
        const bool ban = t.side == timetable::KbSide::Ban;
        std::cout << '\n' << (ban ? "班级 " : "教师 ") << timetable::changedCaption(s, t) << (ban ? " (B" : " (T") << t.id
                  << ")\n";
        if (t.moves.empty())
            std::cout << "  （只有新排入的课）\n";
        for (const auto& m : t.moves) {
            const std::string who = ban ? teacher(m.r) : timetable::movedClassText(finder, s, m.r, t.side);
            const std::string to = m.to > 0 ? timetable::slotTimeText(s, m.to) : "（不在课表中）";
            std::cout << "  " << subject(m.r) << "  " << who << "  " << timetable::slotTimeText(s, m.from) << " -> " << to
                      << '\n';
        }
    }
}

const bool registered = registerVerb(62, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("changes", "列出与备份文件相比被调动的班级和教师课程表");
    auto a = std::make_shared<ChangesArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--against", a->against, "作为比较基准的备份文件")->required();
    cmd->add_flag("--json", a->json, "以 JSON 输出");
    cmd->callback([a] { runChanges(*a); });
});

}  // namespace
}  // namespace tavrin::cli
