// `demo PATH --size small|medium|large|xl [--seed N] [--combined] [--planted]`: a new school
// file holding a generated demo school.
#include <filesystem>
#include <iostream>

#include "cli/verbs.h"
#include "demo/demo.h"

namespace tavrin::cli {
namespace {

const bool registered = registerVerb(15, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("demo", "生成一所示例学校（已存在的文件不覆盖）");
    auto path = std::make_shared<std::string>();
    auto size = std::make_shared<std::string>();
    auto opt = std::make_shared<demo::DemoOptions>();
    cmd->add_option("PATH", *path, "数据库文件路径")->required();
    cmd->add_option("--size", *size, "学校规模：small、medium、large、xl")
        ->required()
        ->check(CLI::IsMember({"small", "medium", "large", "xl"}));
    cmd->add_option("--seed", opt->seed, "随机种子（默认 1）");
    cmd->add_flag("--combined", opt->combined, "加入几个合班课");
    cmd->add_flag("--planted", opt->writePlanted, "同时写入预设的完整课程表");
    cmd->callback([path, size, opt] {
        std::error_code ec;
        if (std::filesystem::is_directory(*path, ec))
            throw Failure("不是文件：" + *path);
        opt->size = *demo::parseDemoSize(*size);
        std::string error;
        if (!demo::writeDemoSchool(*path, *opt, &error))
            throw Failure(error);
        auto school = demo::makeDemoSchool(*opt);
        std::cout << "已生成示例学校：" << *path << "（" << school.grades.size() << " 个年级，" << school.classes.size()
                  << " 个班，" << school.teachers.size() << " 位教师，每周 " << school.totalLessons() << " 节课"
                  << (opt->writePlanted ? "，已写入课程表" : "") << "）\n";
    });
});

}  // namespace
}  // namespace tavrin::cli
