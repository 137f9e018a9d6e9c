#pragma once

#include <memory>
#include <string>

#include "cli/verbs.h"
#include "store/dbfile.h"
#include "store/store.h"

namespace tavrin::cli {

// Opens an existing school file, or fails with a message naming it; never creates one.
inline std::unique_ptr<store::Store> openSchool(const std::string& path)
{
    std::string why = store::checkSchoolFile(path);
    if (!why.empty())
        throw Failure(why);
    return std::make_unique<store::Store>(path);
}

}  // namespace tavrin::cli
