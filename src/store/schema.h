// The tables of a school file, created in one place.
#pragma once

#include <string>
#include <vector>

#include "store/store.h"

namespace tavrin::store {

struct TableDef {
    const char* name;
    std::vector<const char*> columns;
};

// Every table with its columns, in the order the file is created.
const std::vector<TableDef>& tables();

// Creates every missing table. Existing tables and rows are left alone.
void createSchema(Store& s);

// The tables (or columns) a file lacks for this program; empty when it is one of ours.
std::vector<std::string> missingTables(Store& s);

// The four scheduling options a new school starts with (strength, alignment, teacher day,
// double periods).
void insertDefaultPaiOpt(Store& s);

}  // namespace tavrin::store
