// What reaches the terminal: names from a school file may hold any bytes.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <streambuf>
#include <string>

namespace tavrin::cli {

// JSON of a report; bytes that are not UTF-8 become U+FFFD instead of failing, since the
// report may come after a save that has already written.
template <class J>
std::string jsonText(const J& j)
{
    return j.dump(2, ' ', false, J::error_handler_t::replace);
}

// Passes text through, with control characters (other than the line ends and tabs the program
// writes itself) shown as \xNN: a name can never move the cursor, recolour or clear the
// terminal.
class EscapingBuf : public std::streambuf {
public:
    explicit EscapingBuf(std::streambuf* out) : out_(out) {}

protected:
    int_type overflow(int_type ch) override
    {
        if (traits_type::eq_int_type(ch, traits_type::eof()))
            return traits_type::not_eof(ch);
        const auto c = static_cast<unsigned char>(traits_type::to_char_type(ch));
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7f) {
            char esc[5];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            return out_->sputn(esc, 4) == 4 ? ch : traits_type::eof();
        }
        return traits_type::eq_int_type(out_->sputc(static_cast<char>(c)), traits_type::eof()) ? traits_type::eof()
                                                                                                : ch;
    }
    int sync() override { return out_->pubsync(); }

private:
    std::streambuf* out_;
};

}  // namespace tavrin::cli
