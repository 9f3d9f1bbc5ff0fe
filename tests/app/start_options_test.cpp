#include "app/start_options.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using vistrel::ReadStartCommand;

TEST(StartCommand, OptionsFilesAndExitStatuses)
{
    struct Case {
        std::vector<std::string> args;
        bool display;
        std::optional<int> exit;
        std::vector<std::string> files;
        std::string outStart, errStart;
    } cases[] = {
        {{}, true, std::nullopt, {}, "", ""},
        {{"a.jpg", "b c.png"}, true, std::nullopt, {"a.jpg", "b c.png"}, "", ""},
        {{"--", "--version", "-h", "-"}, true, std::nullopt, {"--version", "-h", "-"}, "", ""},
        {{"-", "--", "--"}, true, std::nullopt, {"-", "--"}, "", ""},
        {{"--help"}, false, 0, {}, "Usage: vistrel", ""},
        {{"a.jpg", "-h"}, false, 0, {"a.jpg"}, "Usage: vistrel", ""},
        {{"--version", "--bogus"}, false, 0, {}, "vistrel " VISTREL_VERSION "\n", ""},
        {{"--bogus", "--help"}, true, 2, {}, "", "vistrel: unknown option --bogus\nUsage: vistrel"},
        {{"-platform", "xcb"}, true, 2, {}, "", "vistrel: unknown option -platform\n"},
        {{"a.jpg"}, false, 1, {"a.jpg"}, "", "vistrel: no display"},
    };
    for (const Case &c : cases) {
        std::ostringstream out, err;
        const auto command = ReadStartCommand(c.args, c.display, out, err);
        const std::string context = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(command.ExitCode, c.exit) << context;
        if (!c.exit) {
            EXPECT_EQ(command.Files, c.files) << context;
        }
        EXPECT_EQ(out.str().rfind(c.outStart, 0), 0u) << context << ": " << out.str();
        EXPECT_EQ(out.str().empty(), c.outStart.empty()) << context;
        EXPECT_EQ(err.str().rfind(c.errStart, 0), 0u) << context << ": " << err.str();
        EXPECT_EQ(err.str().empty(), c.errStart.empty()) << context;
    }
}

TEST(StartCommand, DisplayFromTheEnvironment)
{
    using Environment = std::map<std::string, std::string>;
    const std::pair<Environment, bool> cases[] = {
        {{}, false},
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},
        {{{"DISPLAY", ":0"}}, true},
        {{{"WAYLAND_DISPLAY", "wayland-1"}}, true},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, true},
        {{{"QT_QPA_PLATFORM", "xcb"}}, false},
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}, true},
    };
    for (const auto &[environment, expected] : cases) {
        const bool configured = vistrel::DisplayConfigured([&environment = environment](const char *name) {
            const auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second.c_str();
        });
        EXPECT_EQ(configured, expected) << environment.size();
    }
}
