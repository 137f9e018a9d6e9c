// tavrin-cli run as a program by the tests (TAVRIN_CLI names the built program): its exit
// status and everything it printed, standard error included.
#pragma once

#include <sys/wait.h>

#include <cstdio>
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

}  // namespace tavrin::testing
