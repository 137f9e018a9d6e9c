// The slot score computed rule by rule straight from the grids, with no incremental counts.
// The engine's fast scorer must agree with it everywhere.
#pragma once

#include <vector>

#include "model/school.h"
#include "scheduler/options.h"

namespace tavrin::testing {

int referenceRank(const model::School& s, const model::Grids& g, const std::vector<std::uint8_t>& keep,
                  const scheduler::PaiOptions& o, int minScore, int R, int J, bool hebanPass = false);

}  // namespace tavrin::testing
