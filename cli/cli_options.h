#pragma once

#include "imaging/redact.h"
#include "platform/rect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

enum class CliCommand { Help, Version, Effect, Enhance, Resize, Icon, Thumbnail, Redact, Ocr };

struct CliOptions {
    CliCommand Command = CliCommand::Help;
    int EffectIndex = 0;  // into EffectTable
    int EnhanceIndex = 0; // into EnhancementTable
    int32_t EnhanceValue = 0;
    std::optional<uint32_t> Seed; // of the random enhancements; from the clock when not given
    int FilterIndex = 6; // into FilterTable: Mitchell, also the icon converter's default
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t IconSize = 32;
    std::vector<int32_t> IconSizes; // several sizes in one icon file, smallest first; else IconSize alone
    int IconColourItem = 2; // 8 bits
    bool KeepAspect = true;
    bool Exact = false; // a JPEG is decoded at full size, never shrunk on load
    int32_t ThumbnailSize = 128; // one of the shared cache's sizes
    TRect RedactArea;            // from --rect X,Y,W,H; may reach outside the picture
    RedactMode Redaction = RedactMode::Pixelate;
    PaletteEntry FillColour;     // black unless --colour says otherwise
    std::string Language = "eng"; // of the text to recognise, as Tesseract names it
    std::vector<std::string> Inputs;
    std::string Output; // the one output, unless OutDir is set
    std::string OutDir;
    int Jobs = 0;                   // inputs worked on at once; 0: one per processor
    CliCommand HelpTopic = CliCommand::Help; // the command whose help was asked for; Help: all
};

// Either options or the reason the command line is unusable.
struct ParseResult {
    CliOptions Options;
    std::string UsageError;
    bool ok() const { return UsageError.empty(); }
};

// Parses the arguments after the program name. A negative number is a value, never an option.
ParseResult ParseCommandLine(const std::vector<std::string> &args);

// The output file for one input: OUT itself, or inside OutDir the input's base name with the
// input's extension (".ico" for icons, ".bmp" for a PNG input, which is never written).
std::string OutputPathFor(const CliOptions &options, const std::string &input);

// The usage of every command, or of `topic` alone.
std::string HelpText(CliCommand topic = CliCommand::Help);
std::string VersionText();

// A file name's extension in lower case: the tool takes ".JPG" and ".jpg" alike.
std::string LowerCaseExtension(const std::string &path);

} // namespace vistrel
