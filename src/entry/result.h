// What a save of the data-entry steps answers: the program's one result type, done or
// refused with the reason in the operator's words. A refusal has written nothing; faults of
// the file itself (a locked or full disk) arrive as exceptions instead, after the
// transaction has rolled back.
#pragma once

#include "store/result.h"

namespace tavrin::entry {

using store::done;
using store::refused;
using store::Result;

// The message every save of these steps shows when it is through.
inline constexpr const char* kSaved = "保存完成";

}  // namespace tavrin::entry
