// tavrin-cli run as a program by the CLI tests: its exit status and everything it printed
// (stderr after stdout), and a file's bytes to compare before and after. TAVRIN_CLI names
// the built program.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tavrin::testing {

struct CliRun {
    int status = -1;
    std::string out;
};

inline CliRun runCli(const std::string& args)
{
    CliRun r;
    const std::string cmd = std::string(TAVRIN_CLI) + " " + args + " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline std::string fileBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace tavrin::testing
