#include <clocale>
#include <iostream>
#include <map>

#include "cli/verbs.h"
#include "store/store.h"

namespace tavrin::cli {

namespace {
std::multimap<int, VerbSetup>& registry()
{
    static std::multimap<int, VerbSetup> r;
    return r;
}
}  // namespace

bool registerVerb(int order, VerbSetup setup)
{
    registry().emplace(order, std::move(setup));
    return true;
}

}  // namespace tavrin::cli

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "C.UTF-8");
    CLI::App app{"Tavrin 排课系统命令行工具"};
    app.require_subcommand(1);
    for (auto& [order, setup] : tavrin::cli::registry())
        setup(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const tavrin::cli::Failure& e) {
        std::cerr << e.what() << '\n';
        return 1;
    } catch (const tavrin::store::DbError& e) {
        std::cerr << "数据库错误：" << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
