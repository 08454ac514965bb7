#include "cli/command_options.h"

#include <climits>

#include "config/board_identity.h"
#include "platform/line_settings.h"
#include "terminal/key_options.h"

namespace vexa::cli {

namespace {

using Kind = ValueRule::Kind;

constexpr ValueRule kText{};
constexpr ValueRule kFlag{};

constexpr ValueRule whole(double low, double high, std::string_view unit = {}) {
  return {Kind::whole, low, high, unit, {}, nullptr};
}
constexpr ValueRule real(double low, double high, std::string_view unit) {
  return {Kind::real, low, high, unit, {}, nullptr};
}
constexpr ValueRule checked(bool (*check)(const std::string&), std::string_view wants) {
  return {Kind::check, 0, 0, {}, wants, check};
}

bool is_language(const std::string& v) { return v == "e" || v == "f" || v == "d"; }
bool is_log_mode(const std::string& v) { return v == "0" || v == "1" || v == "2"; }
bool is_board_letter(const std::string& v) { return v == "E" || v == "F" || v == "S"; }
bool is_line_frame(const std::string& v) { return parse_line_settings(v).has_value(); }
bool is_enter_mode(const std::string& v) { return parse_enter_mode(v).has_value(); }
bool is_backspace_mode(const std::string& v) { return parse_backspace_mode(v).has_value(); }

constexpr std::string_view kLink = "Link";
constexpr std::string_view kSettings = "Settings";
constexpr std::string_view kOptions = "Options";  // a command's own, beside its --help

const CommandOption kCommon[] = {
    {{"--port", "PATH|COMn|URL", kLink,
      "the serial port (COMn stands for /dev/ttyS(n-1)); rfc2217://HOST:PORT a gateway's port"}, kText},
    {{"--tcp", "\"ADDR PORT\"", kLink, "a board behind a TCP/IP link instead of a port"}, kText},
    {{"--baud", "N", kLink, "the port speed (default: the settings' speed, else the board type's)"},
     {Kind::whole, 1, INT_MAX, {}, "a positive number", nullptr}},
    {{"--lang", "e|f|d", kSettings, "language of the report lines: English, French, German"},
     checked(is_language, "e, f or d")},
    {{"--log", "0|1|2", kSettings, "capture log: off, plain, with time stamps"}, checked(is_log_mode, "0, 1 or 2")},
    {{"--target", "IDENTITY", kSettings, "take the board identity from this line, e.g. \"VexaLog S v1404\""}, kText},
    {{"--settings", "DIR", kSettings, "folder of the settings and log files (default: the working directory)"}, kText},
};

}  // namespace

std::span<const CommandOption> common_options() { return kCommon; }

const CommandOption kLineOption{
    {"--line", "FRAME", kOptions, "the line frame, e.g. 8N1, 7E1 or e,7,1,rtscts (handshake: rtscts, xonxoff)"},
    checked(is_line_frame, "a frame such as 8N1, 7E1 or e,7,1,rtscts")};
const CommandOption kEnterOption{{"--enter", "cr|lf|crlf", kOptions, "what the Enter key sends"},
                                 checked(is_enter_mode, "cr, lf or crlf")};
const CommandOption kBackspaceOption{{"--backspace", "bs|del", kOptions, "what the Backspace key sends"},
                                     checked(is_backspace_mode, "bs or del")};
const CommandOption kEchoOption{{"--echo", "", kOptions, "show the typed keys too (local echo)"}, kFlag};
const CommandOption kHexOption{{"--hex", "", kOptions, "show the received bytes as hex rows"}, kFlag};
const CommandOption kTimestampsOption{{"--timestamps", "", kOptions, "put the time before every received line"},
                                      kFlag};
const CommandOption kAnsiOption{
    {"--ansi", "", kOptions, "pass the board's ANSI colour sequences to this terminal instead of showing ^["}, kFlag};

const CommandOption kWaitOkOption{{"--wait-ok", "", kOptions, "succeed only when the board answers Ok"}, kFlag};
const CommandOption kListenOption{{"--listen", "SECONDS", kOptions, "show what the board sends for this long"},
                                  real(0, 86400, "seconds")};

const CommandOption kQuietMsOption{
    {"--quiet-ms", "MS", kOptions, "the board's reply is complete when it has been quiet this long (default 500)"},
    whole(0, 600000, "milliseconds")};

const CommandOption kBoardOption{{"--board", "E|F|S", kOptions, "the board type (required)"},
                                 checked(is_board_letter, "E, F or S")};
const CommandOption kFirmwareOption{{"--firmware", "N", kOptions, "the board's firmware version (default 1404)"},
                                    whole(kMinFirmwareVersion, kMaxFirmwareVersion)};
const CommandOption kInputTypeOption{{"--type", "T", kOptions, "the input type's mode letters (default a)"}, kText};
const CommandOption kSolverTraceOption{{"--verbose", "", kOptions, "show the solver's steps"}, kFlag};

const CommandOption kReportOption{{"--report", "FILE", kOptions, "write the results to FILE as JSON"}, kText};
const CommandOption kCountdownOption{{"--countdown", "TICKS", kOptions, "the count-down before the test starts, in 100 ms ticks"},
                                     whole(0, 600)};
const CommandOption kTimeoutOption{{"--timeout", "SECONDS", kOptions, "give up on a complete result after this long (default 20)"},
                                   whole(1, 3600)};
const CommandOption kTestQuietMsOption{
    {"--quiet-ms", "MS", kOptions, "the results are complete when the board has been quiet this long (default 500)"},
    whole(0, 60000)};

const CommandOption kSambaFileOption{{"--samba", "", kOptions, "also take \".bin\" files"}, kFlag};
const CommandOption kSambaTraceOption{{"--verbose", "", kOptions, "report every SAM-BA step, as the Tools menu's verbose switch"}, kFlag};

const CommandOption kBinaryOption{{"--binary", "", kOptions, "list the file as binary data"}, kFlag};
const CommandOption kFastOption{{"--fast", "", kOptions, "switch the link to 115200 baud for the listing"}, kFlag};
const CommandOption kCreateOption{{"--create", "", kOptions, "start HOSTFILE anew instead of resuming it"}, kFlag};
const CommandOption kIdleOption{{"--idle", "SECONDS", kOptions, "ask the board to stop after this long without a line (default 30)"},
                                whole(1, 86400, "seconds")};
const CommandOption kFollowOption{{"--follow", "SECONDS", kOptions, "upload again every SECONDS until interrupted, each time after HOSTFILE's last time stamp"},
                                  whole(1, 86400, "seconds")};

const CommandOption kSambaModeOption{
    {"--samba", "", kOptions, "the SAM-BA mode: a \".bin\" goes through the chip's boot monitor"}, kFlag};
const CommandOption kDownloadTraceOption{
    {"--verbose", "", kOptions, "report every loader and SAM-BA step, as the Tools menu's verbose switch"}, kFlag};

}  // namespace vexa::cli
