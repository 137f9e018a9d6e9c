// `init PATH`: a new, empty school file.
#include <filesystem>
#include <iostream>

#include "users/users.h"
#include "cli/verbs.h"

namespace tavrin::cli {
namespace {

const bool registered = registerVerb(10, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("init", "新建一个空的排课数据库文件（已存在则不覆盖）");
    auto path = std::make_shared<std::string>();
    cmd->add_option("PATH", *path, "数据库文件路径")->required();
    cmd->callback([path] {
        std::error_code ec;
        if (std::filesystem::is_directory(*path, ec))
            throw Failure("不是文件：" + *path);
        if (!users::initDatabase(*path))
            throw Failure("文件已存在，未覆盖：" + *path);
        std::cout << "已建立空数据库：" << *path << '\n';
    });
});

}  // namespace
}  // namespace tavrin::cli
