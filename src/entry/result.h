// What a save of the data-entry steps answers: done, or refused with the reason in the
// operator's words. A refusal has written nothing; faults of the file itself (a locked or
// full disk) arrive as exceptions instead, after the transaction has rolled back.
#pragma once

#include <string>
#include <utility>

namespace tavrin::entry {

struct Result {
    bool ok = true;
    std::string message;  // the refusal, empty when done

    static Result done() { return {}; }
    static Result refused(std::string why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};

// The message every save of these steps shows when it is through.
inline constexpr const char* kSaved = "保存完成";

}  // namespace tavrin::entry
