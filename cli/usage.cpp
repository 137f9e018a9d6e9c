#include "cli/usage.h"

namespace tavrin::cli {

namespace {

bool startsWith(const std::string& s, const std::string& p) { return s.rfind(p, 0) == 0; }

// The text before `sep` (an option's name in most of the parser's messages).
std::string before(const std::string& s, const std::string& sep)
{
    const auto at = s.find(sep);
    return at == std::string::npos ? s : s.substr(0, at);
}

std::string after(const std::string& s, const std::string& sep)
{
    const auto at = s.find(sep);
    return at == std::string::npos ? std::string() : s.substr(at + sep.size());
}

const std::string kSeeHelp = "（用 --help 查看用法）";

}  // namespace

std::string usageLine(const CLI::ParseError& e, const std::string& firstArg)
{
    const std::string what = e.what();
    if (dynamic_cast<const CLI::RequiredError*>(&e)) {
        if (startsWith(what, "A subcommand") || startsWith(what, "Requires at least")) {
            if (!firstArg.empty() && firstArg[0] != '-')
                return "没有这个命令：" + firstArg + kSeeHelp;
            return "请指定一个命令" + kSeeHelp;
        }
        return "缺少参数 " + before(what, " is required") + kSeeHelp;
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&e))
        return "无法识别的参数：" + after(what, "expected: ") + kSeeHelp;
    if (dynamic_cast<const CLI::ValidationError*>(&e))
        return "选项 " + before(what, ": ") + " 的取值无效" + kSeeHelp;
    if (dynamic_cast<const CLI::ConversionError*>(&e)) {
        if (startsWith(what, "Could not convert: "))
            return "选项 " + before(after(what, "Could not convert: "), " = ") + " 的取值无效：" +
                   after(what, " = ") + kSeeHelp;
        if (startsWith(what, "The value "))
            return "选项 " + after(what, " for ") + " 的取值无效" + kSeeHelp;
        return "选项 " + before(what, ":") + " 的取值无效" + kSeeHelp;
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        if (startsWith(what, "Expected "))
            return "选项 " + before(after(what, " arguments to "), ",") + " 的取值个数不对" + kSeeHelp;
        return "选项 " + before(what, ":") + " 的取值个数不对" + kSeeHelp;
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&e))
        return "选项 " + before(what, " excludes ") + " 不能和 " + after(what, " excludes ") + " 同时使用";
    if (dynamic_cast<const CLI::RequiresError*>(&e))
        return "选项 " + before(what, " requires ") + " 需要同时给出 " + after(what, " requires ");
    return "命令行参数有误" + kSeeHelp;
}

}  // namespace tavrin::cli
