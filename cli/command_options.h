#pragma once
// The options of vexacli: those before the command (how to reach the board) and each
// command's own, which command_list.inc hands to the commands that take them.
#include <span>

#include "cli/command_values.h"

namespace vexa::cli {

// --port, --tcp, --baud, --lang, --log, --target, --settings.
std::span<const CommandOption> common_options();

// Defaults the commands fall back on when their option is not given.
inline constexpr int kDefaultQuietMs = 500;

extern const CommandOption kLineOption, kEnterOption, kBackspaceOption, kEchoOption, kHexOption,
    kTimestampsOption, kAnsiOption;                              // terminal
extern const CommandOption kWaitOkOption, kListenOption;         // send
extern const CommandOption kQuietMsOption;                       // the configuration commands
extern const CommandOption kBoardOption, kFirmwareOption, kInputTypeOption, kSolverTraceOption;  // analog
extern const CommandOption kReportOption, kCountdownOption, kTimeoutOption, kTestQuietMsOption;  // factory-test
extern const CommandOption kSambaFileOption, kSambaTraceOption;  // flash
extern const CommandOption kBinaryOption, kFastOption, kCreateOption, kIdleOption, kFollowOption;  // upload
extern const CommandOption kSambaModeOption, kDownloadTraceOption;  // download

}  // namespace vexa::cli
