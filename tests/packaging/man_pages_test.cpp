// The manual pages must tell what the programs' own --help tells: the same commands and options.
#include "app/start_options.h"
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

// The page's text with roff's escaped hyphens as plain ones.
std::string manPage(const std::string &name)
{
    std::ifstream file(std::string(MAN_DIR) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return std::regex_replace(text.str(), std::regex(R"(\\-)"), "-");
}

std::set<std::string> matches(const std::string &text, const std::string &pattern)
{
    std::set<std::string> found;
    const std::regex expression(pattern, std::regex::multiline);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), expression); it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    return found;
}

const char kOptions[] = R"((?:^|[\s\[|(])(--?[a-z][a-z-]*|--)(?=[\s=\]|,)]|$))";

std::string section(const std::string &text, const std::string &from, const std::string &to)
{
    const size_t begin = text.find(from);
    return begin == std::string::npos ? "" : text.substr(begin, text.find(to, begin) - begin);
}

} // namespace

TEST(ManPages, CliPageListsTheCommandsAndOptionsOfItsHelp)
{
    const std::string help = vistrel::HelpText();
    const std::string page = manPage("vistrel-cli.1");
    const auto helpCommands = matches(section(help, "Commands:", "Files:"), R"(^  ([a-z]+)\b)");
    const auto pageCommands = matches(section(page, ".SH COMMANDS", ".SH OPTIONS"), R"(^\.TP\n\.BI? ([a-z]+))");
    EXPECT_EQ(pageCommands, helpCommands);
    EXPECT_TRUE(helpCommands.count("thumbnail"));
    const auto longOnly = [](std::set<std::string> options) {
        options.erase("-h");
        return options;
    };
    EXPECT_EQ(longOnly(matches(page, kOptions)), longOnly(matches(help, kOptions)));
    EXPECT_NE(page.find(".png"), std::string::npos);
}

TEST(ManPages, ProgramPageListsTheOptionsOfItsHelp)
{
    std::ostringstream help, ignored;
    vistrel::ReadStartCommand({"--help"}, false, help, ignored);
    const std::string page = section(manPage("vistrel.1"), ".SH SYNOPSIS", ".SH FILES");
    EXPECT_EQ(matches(page, kOptions), matches(help.str(), kOptions));
    EXPECT_EQ(matches(help.str(), kOptions), (std::set<std::string>{"-h", "--help", "--version", "--"}));
}
