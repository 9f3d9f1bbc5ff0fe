#pragma once

#include "cli/cli_options.h"
#include "platform/bitmap.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vistrel {

// Exit statuses of vistrel-cli.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Reads JPEG or BMP by the content, writes by the extension in any letter case. Throw Error on
// failure; a failed write leaves any old file as it was.
TBitmap ReadPicture(const std::string &path);
void WritePicture(const TBitmap &picture, const std::string &path);

// Reads input, runs the command of options on it and writes output. Throws Error on failure.
void RunJob(const CliOptions &options, const std::string &input, const std::string &output);

// How many inputs run at once: --jobs, else one per processor, never more than there are inputs.
int JobCount(const CliOptions &options);

// The whole program: parses args (without the program name), runs every job, reports failures
// on err as "vistrel-cli: ..." and, when progress is set, a line per file of a batch.
int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool progress);

} // namespace vistrel
