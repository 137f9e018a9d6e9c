#include "spreadsheet/noticetexts.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <utility>

namespace tavrin::spreadsheet {
namespace {

QString qPath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// A key of ChnInfo that is a line number: digits only. Compared by value, then as text, so
// "10" follows "9" and "01" stays beside "1".
bool lineNumber(const QString& key, QString& digits)
{
    if (key.isEmpty())
        return false;
    for (QChar c : key)
        if (c < u'0' || c > u'9')
            return false;
    int i = 0;
    while (i + 1 < key.size() && key[i] == u'0')
        ++i;
    digits = key.mid(i);
    return true;
}

// A value as one line: a list (an unquoted "," split it) joined back, anything that does not
// read as text, or text that was not UTF-8 (QSettings turns every broken sequence into
// U+FFFD), refused.
bool lineText(const QVariant& v, std::string& out)
{
    QString s;
    if (v.typeId() == QMetaType::QStringList)
        s = v.toStringList().join(u',');
    else if (v.typeId() == QMetaType::QString)
        s = v.toString();
    else
        return false;
    if (s.contains(QChar(0xFFFD)))
        return false;
    out = s.toStdString();
    return true;
}

}  // namespace

std::filesystem::path noticeIniPath(const std::filesystem::path& schoolFile)
{
    return schoolFile.parent_path() / "info.ini";
}

NoticeTexts readNoticeTexts(const std::filesystem::path& ini)
{
    NoticeTexts t;
    if (!QFileInfo(qPath(ini)).isReadable())
        return t;
    QSettings s(qPath(ini), QSettings::IniFormat);
    s.beginGroup("ChnInfo");
    std::vector<std::pair<QString, QString>> keys;  // (digits without leading zeros, key)
    for (const QString& key : s.childKeys()) {
        QString digits;
        if (lineNumber(key, digits))
            keys.emplace_back(digits, key);
    }
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        if (a.first.size() != b.first.size())
            return a.first.size() < b.first.size();
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    for (const auto& [digits, key] : keys) {
        std::string line;
        if (lineText(s.value(key), line))
            t.lines.push_back(std::move(line));
    }
    s.endGroup();
    if (std::string name; lineText(s.value("ChnName/schoolName"), name))
        t.signature = std::move(name);
    return t;
}

bool writeNoticeTexts(const std::filesystem::path& ini, const NoticeTexts& t, std::string* why)
{
    QSettings s(qPath(ini), QSettings::IniFormat);
    s.remove("ChnInfo");
    s.remove("ChnName");
    s.beginGroup("ChnInfo");
    for (std::size_t i = 0; i < t.lines.size(); ++i)
        s.setValue(QString::number(i), QString::fromStdString(t.lines[i]));
    s.endGroup();
    s.setValue("ChnName/schoolName", QString::fromStdString(t.signature));
    s.sync();
    if (s.status() == QSettings::NoError)
        return true;
    if (why)
        *why = s.status() == QSettings::AccessError ? "无法写入" + ini.string() : ini.string() + "的格式有误";
    return false;
}

NoticeTexts noticeTextsWithDefaults(NoticeTexts t)
{
    if (t.lines.empty())
        t.lines.emplace_back(kDefaultNoticeLine);
    if (t.signature.empty())
        t.signature = kDefaultNoticeSignature;
    return t;
}

std::string joinNoticeLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\n" : "") + lines[i];
    return out;
}

std::vector<std::string> splitNoticeText(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(std::move(line));
        start = end + 1;
    }
    return out;
}

}  // namespace tavrin::spreadsheet
