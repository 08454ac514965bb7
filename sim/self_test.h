#pragma once
// The board's production self-test as the factory test drives it. A command line that holds
// one of the self-test commands is run here, command by command; its other commands (the
// clock, "z", assignments) go to the board as usual. The self-test commands:
//
//   st, go, wt N, rm FILE   stop and start logging, wait, remove a file: nothing to print
//   sn=TEXT                 the serial number: stored, nothing printed
//   up vexalog.adc          the logged analog data: lines "> <date>\t<a0>\t<a1>\t<a2/a12>"
//   ls                      the directory listing: "VEXARS2 TXT 1000" and "dr=<disk errors>"
//   ar12                    ('F') "res a12 min=.. max=.. delta= <bits>"
//   ar                      ('S') sixteen "ch<n>: pivot=<count> <mV>mV <bits>bits" lines
//   t                       "t=<degrees C>", on 'S' boards with " v=<supply volts>"
//   d                       "ad=<converter errors> ..." and the clock "YYYY:MM:DD hh:mm:ss"
//   ec TEXT                 TEXT
//
// Chosen tests can be made to fail (--selftest-fail), the resolution test only the first
// time (--selftest-res-once).
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::sim {

class SimulatedBoard;
struct BoardReply;

struct SelfTestOptions {
  std::set<std::string> fail;       // data, disk, res, ad, rtc, temp, supply
  bool resolution_fails_once = false;
  bool operator==(const SelfTestOptions&) const = default;
};

// "data,disk,res,ad,rtc,temp,supply".
std::string self_test_failure_names();
// Adds the comma-separated names to options; the reason when one is unknown, else empty.
std::string parse_self_test_failures(std::string_view list, SelfTestOptions& options);

class SelfTest {
 public:
  void set_options(SelfTestOptions options) { options_ = std::move(options); }
  const SelfTestOptions& options() const { return options_; }

  // The reply of a line with a self-test command; nothing for any other line.
  std::optional<BoardReply> run_line(std::string_view line, SimulatedBoard& board);

 private:
  std::vector<std::string> run_command(std::string_view command, SimulatedBoard& board);
  bool fails(const char* name) const { return options_.fail.count(name) != 0; }
  bool resolution_fails();

  SelfTestOptions options_;
  int resolution_runs_ = 0;
  std::string serial_number_;
};

}  // namespace vexa::sim
