// The outcome of a command the user asked for. A refusal is something the user can act on
// (a wrong password, a read-only school, a file that is not a school file) and carries the
// message to show, in the program's words. Faults (I/O, SQLite, a broken invariant) are
// not results: they are thrown (`DbError` and its kin).
#pragma once

#include <string>
#include <utility>

namespace tavrin::store {

struct Result {
    bool ok = false;
    // What to tell the user: why it was refused, or (optionally) what was done.
    std::string message;

    explicit operator bool() const { return ok; }
};

inline Result done(std::string message = {}) { return {true, std::move(message)}; }
inline Result refused(std::string message) { return {false, std::move(message)}; }

}  // namespace tavrin::store
