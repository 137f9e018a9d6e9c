// `lock PATH (--class ID | --teacher ID | --all) [--off]`: the lock flags of the timetable
// pages without the window, written in one transaction. `--all` is "全部锁定" (every class,
// teachers untouched) and, with `--off`, "全部解锁" (every class and every teacher).
#include <iostream>
#include <memory>

#include "cli/open.h"

namespace tavrin::cli {
namespace {

struct LockArgs {
    std::string path;
    int ban = 0, tea = 0;
    bool all = false, off = false;
};

int runLock(const LockArgs& a, bool teacher)
{
    auto st = openSchool(a.path, Access::Write);
    const int flag = a.off ? 0 : 1;
    if (!a.all) {
        const int id = teacher ? a.tea : a.ban;
        const bool exists = teacher ? st->scalar("SELECT count(*) FROM teabd WHERE teaid = ?1", id) > 0
                                    : st->scalar("SELECT count(*) FROM banbd WHERE banid = ?1", id) > 0;
        if (!exists)
            throw Failure(teacher ? "没有这个教师：" + std::to_string(id) : "没有这个班级：" + std::to_string(id));
    }
    st->transaction([&] {
        if (a.all) {
            st->run("UPDATE banbd SET islock = ?1", flag);
            if (a.off)
                st->run("UPDATE teabd SET islock = 0");
        } else if (teacher) {
            st->run("UPDATE teabd SET islock = ?1 WHERE teaid = ?2", flag, a.tea);
        } else {
            st->run("UPDATE banbd SET islock = ?1 WHERE banid = ?2", flag, a.ban);
        }
    });
    if (a.all)
        std::cout << (a.off ? "已全部解锁。" : "已锁定全部班级。") << '\n';
    else
        std::cout << (a.off ? "已解锁。" : "已锁定。") << '\n';
    return 0;
}

const bool registered = registerVerb(58, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("lock", "锁定或解锁班级、教师的课程表（--all：全部锁定 / 全部解锁）");
    auto a = std::make_shared<LockArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    auto* ban = cmd->add_option("--class", a->ban, "班级编号 (banid)");
    auto* tea = cmd->add_option("--teacher", a->tea, "教师编号 (teaid)");
    auto* all = cmd->add_flag("--all", a->all, "全部班级（与 --off 一起时班级和教师全部解锁）");
    ban->excludes(tea)->excludes(all);
    tea->excludes(ban)->excludes(all);
    all->excludes(ban)->excludes(tea);
    cmd->add_flag("--off", a->off, "解锁");
    cmd->callback([a, ban, tea, all] {
        if (ban->count() == 0 && tea->count() == 0 && all->count() == 0)
            throw Failure("请用 --class、--teacher 或 --all 指定要锁定的课程表。");
        runLock(*a, tea->count() > 0);
    });
});

}  // namespace
}  // namespace tavrin::cli
