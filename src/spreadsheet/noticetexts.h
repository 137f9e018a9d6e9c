// The change notices' own texts, the introduction lines and the signature, kept in info.ini
// beside the school file: the program's folder may not be writable, and several schools may
// share one program, each with its own office and wording.
//
// The file is an INI file read and written through QSettings, which has two habits a line
// of text must survive: it lists keys sorted as text ("10" before "2"), and it reads an
// unquoted "," as a list separator. The lines are therefore taken in the numeric order of
// their keys and list values are joined back; what this program writes is quoted and
// escaped by QSettings so that leading spaces, "=", ";", quotes and backslashes come back
// exactly.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavrin::spreadsheet {

struct NoticeTexts {
    std::vector<std::string> lines;  // the introduction, one entry a line
    std::string signature;           // the issuing office
    bool operator==(const NoticeTexts&) const = default;
};

// info.ini in the folder of the school file.
std::filesystem::path noticeIniPath(const std::filesystem::path& schoolFile);

// The texts the file holds: the lines of section ChnInfo whose keys are numbers, in numeric
// key order, and ChnName/schoolName. A missing or unreadable file gives nothing; a value
// that is not valid UTF-8 is left out (the signature then is empty), as is a key that is
// no number.
NoticeTexts readNoticeTexts(const std::filesystem::path& ini);

// Replaces sections ChnInfo and ChnName with `t` (the lines under "0", "1", …), keeping
// whatever else the file holds. False with the reason when the file could not be written.
bool writeNoticeTexts(const std::filesystem::path& ini, const NoticeTexts& t, std::string* why = nullptr);

// The texts the dialog starts with: the file's, with the default introduction when it has
// no line and "教务处" when it has no signature.
NoticeTexts noticeTextsWithDefaults(NoticeTexts t);
inline const char* const kDefaultNoticeLine = "\u3000\u3000因特殊原因，需要对课程进行调整，具体调整情况如下：";
inline const char* const kDefaultNoticeSignature = "教务处";

// The introduction as one text (lines joined by line breaks), and back: a final line break
// ends the last line rather than opening an empty one, as a memo's lines are counted.
std::string joinNoticeLines(const std::vector<std::string>& lines);
std::vector<std::string> splitNoticeText(const std::string& text);

}  // namespace tavrin::spreadsheet
