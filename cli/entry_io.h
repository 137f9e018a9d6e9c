// Reading the --apply file of `classes` and `week`.
#pragma once

#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "cli/verbs.h"

namespace tavrin::cli {

// The JSON of FILE ("-": standard input), or a failure naming the file.
inline nlohmann::json readJsonFile(const std::string& file)
{
    std::string text;
    if (file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            throw Failure("无法打开文件：" + file);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception&) {
        throw Failure("文件不是有效的 JSON：" + file);
    }
}

}  // namespace tavrin::cli
