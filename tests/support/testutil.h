// Small helpers shared by the logic tests: a private temporary folder per test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "users/users.h"

namespace tavrin::testing {

// Every test program makes many school files; the cheapest password hash keeps that quick.
inline const bool kCheapHashes = (users::setHashCost(users::HashCost::Minimal), true);

class TempDir {
public:
    TempDir()
    {
        auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "tavrin";
        for (auto& c : name)
            if (c == '/')
                c = '_';
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("tavrin_" + name + "_" + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& f) const { return path_ / f; }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& p, const std::string& content)
{
    std::ofstream o(p, std::ios::binary);
    o << content;
}

inline std::string readFile(const std::filesystem::path& p)
{
    std::ifstream i(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(i), {});
}

}  // namespace tavrin::testing
