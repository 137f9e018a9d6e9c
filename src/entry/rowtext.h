// A stored row as the lists of skipped rows show it: "name=value, ..." with "空" for NULL.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "store/store.h"

namespace tavrin::entry {

inline std::string rowText(store::Stmt& st, std::initializer_list<std::pair<const char*, int>> cols)
{
    std::string out;
    for (const auto& [name, col] : cols) {
        if (!out.empty())
            out += ", ";
        out += name;
        out += '=';
        out += st.isNull(col) ? std::string("空") : st.text(col);
    }
    return out;
}

}  // namespace tavrin::entry
