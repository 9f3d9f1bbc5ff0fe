#include "app/start_options.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace vistrel {

namespace {

const char kUsage[] = R"(Usage: vistrel [OPTION]... [--] [FILE]...
Capture parts of the screen, then view, touch up and convert pictures.
Each FILE (JPEG, BMP or PNG) opens in a document window.

  -h, --help     print this help and exit
      --version  print the version and exit
      --         take every later argument as a FILE, even one that begins with "-"

Batch processing without a display: vistrel-cli --help
)";

bool isOption(const std::string &arg) { return arg.size() > 1 && arg[0] == '-'; }

bool isSet(const char *value) { return value && *value; }

struct HeldMessage {
    QtMsgType type;
    const char *category; // Qt's category names are static strings
    QString text;
};

std::vector<HeldMessage> heldMessages;
QtMessageHandler previousHandler = nullptr;

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, context.category, text});
        return;
    }
    const char *display = std::getenv("WAYLAND_DISPLAY");
    if (!isSet(display))
        display = std::getenv("DISPLAY");
    std::fprintf(stderr, "vistrel: cannot open the display %s\n", isSet(display) ? display : "");
    std::_Exit(1);
}

} // namespace

StartCommand ReadStartCommand(const std::vector<std::string> &args, bool displayAvailable, std::ostream &out,
                              std::ostream &err)
{
    StartCommand command;
    bool optionsEnded = false;
    for (const std::string &arg : args) {
        if (optionsEnded || !isOption(arg)) {
            command.Files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            out << kUsage;
            command.ExitCode = 0;
            return command;
        } else if (arg == "--version") {
            out << "vistrel " << VISTREL_VERSION << "\n";
            command.ExitCode = 0;
            return command;
        } else {
            err << "vistrel: unknown option " << arg << "\n" << kUsage;
            command.ExitCode = 2;
            return command;
        }
    }
    if (!displayAvailable) {
        err << "vistrel: no display to show windows on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n";
        command.ExitCode = 1;
    }
    return command;
}

bool DisplayConfigured(const std::function<const char *(const char *)> &variable)
{
    // A platform chosen by name that is neither X11 nor Wayland (offscreen, vnc) needs no display.
    const char *platform = variable("QT_QPA_PLATFORM");
    if (isSet(platform)) {
        const std::string name = platform;
        if (name.find("xcb") == std::string::npos && name.find("wayland") == std::string::npos)
            return true;
    }
    return isSet(variable("DISPLAY")) || isSet(variable("WAYLAND_DISPLAY"));
}

DisplayOpening::DisplayOpening() { previousHandler = qInstallMessageHandler(holdMessage); }

DisplayOpening::~DisplayOpening()
{
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage &message : heldMessages)
        qt_message_output(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category), message.text);
    heldMessages.clear();
}

} // namespace vistrel
