#include <clocale>
#include <iostream>
#include <map>

#include "cli/open.h"
#include "cli/output.h"
#include "cli/usage.h"
#include "cli/verbs.h"
#include "store/log.h"
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
    tavrin::cli::EscapingBuf escapedOut(std::cout.rdbuf()), escapedErr(std::cerr.rdbuf());
    auto* rawOut = std::cout.rdbuf(&escapedOut);
    auto* rawErr = std::cerr.rdbuf(&escapedErr);
    // The streams outlive main's locals: they get their own buffers back on every return.
    struct Restore {
        std::streambuf *out, *err;
        ~Restore()
        {
            std::cout.flush();
            std::cerr.flush();
            std::cout.rdbuf(out);
            std::cerr.rdbuf(err);
        }
    } restore{rawOut, rawErr};
    // Every error is one line on stderr in the program's words; the log's lines (SQLite's
    // own texts) would only add to it.
    tavrin::store::setLogSink([](const std::string&) {});
    CLI::App app{"Tavrin 排课系统命令行工具"};
    app.require_subcommand(1);
    for (auto& [order, setup] : tavrin::cli::registry())
        setup(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);  // --help
    } catch (const CLI::ParseError& e) {
        std::cerr << tavrin::cli::usageLine(e, argc > 1 ? argv[1] : "") << '\n';
        return 1;
    } catch (const tavrin::cli::ExitStatus& e) {
        return e.status;
    } catch (const tavrin::cli::Failure& e) {
        std::cerr << e.what() << '\n';
        return 1;
    } catch (const tavrin::store::DbError& e) {
        // SQLite's own text never reaches the user: the reason and the file do.
        const std::string& file = tavrin::cli::currentSchool();
        if (e.code() == 0 || file.empty())
            std::cerr << e.message() << '\n';
        else
            std::cerr << "读写数据库文件时出错（" << e.reason() << "）：" << file << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
