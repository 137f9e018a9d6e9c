// tavrin-cli: each verb lives in its own file and registers itself here, so a new
// capability is one new file.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrin::cli {

// A failure to report: one line on stderr in the program's words, exit status 1.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A verb that ran but did not do what was asked (a move refused): its report is already
// printed; the program ends with `status`.
struct ExitStatus {
    int status;
    explicit ExitStatus(int s) : status(s) {}
};

using VerbSetup = std::function<void(CLI::App&)>;

// The class IDs of a `--classes` option: "all" (or nothing) gives none, meaning every class.
std::vector<int> parseClasses(const std::string& text, int maxBan);

// Called from a static initialiser of each verb's file; `order` sorts the help listing.
bool registerVerb(int order, VerbSetup setup);

}  // namespace tavrin::cli
