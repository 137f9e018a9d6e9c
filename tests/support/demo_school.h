// A generated demo school in a temporary file, loaded, for tests that run on it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "demo/demo.h"
#include "model/loaders.h"
#include "store/store.h"
#include "support/testutil.h"

namespace tavrin::testing {

struct DemoSchool {
    TempDir dir;
    std::unique_ptr<store::Store> st;
    model::School school;
    DemoSchool(demo::DemoSize size, bool combined, std::uint32_t seed = 1)
    {
        demo::DemoOptions o;
        o.size = size;
        o.seed = seed;
        o.combined = combined;
        std::string err;
        EXPECT_TRUE(demo::writeDemoSchool(dir / "db.dat", o, &err)) << err;
        st = std::make_unique<store::Store>(dir / "db.dat");
        school = model::loadSchool(*st);
    }
};

}  // namespace tavrin::testing
