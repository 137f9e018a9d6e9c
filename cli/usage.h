// Usage errors of tavrin-cli in the program's words: one line naming the option, instead of
// the parser's English.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace tavrin::cli {

// `firstArg`: the first word of the command line, which names the verb ("" when none).
std::string usageLine(const CLI::ParseError& e, const std::string& firstArg);

}  // namespace tavrin::cli
