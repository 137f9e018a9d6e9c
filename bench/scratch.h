// A benchmark's own temporary folder, removed when the program ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace tavrin::bench {

struct Scratch {
    std::filesystem::path dir;
    explicit Scratch(const std::string& name)
        : dir(std::filesystem::temp_directory_path() / ("tavrin_bench_" + name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(dir);
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

}  // namespace tavrin::bench
