#pragma once
// The board-side actions of the debug menu and the Tools menu's "Special 1": short fixed byte
// sequences written to the link, with the pauses the boards' boot code needs between them.
// They block for up to two seconds, so the window runs them on the worker thread.
#include <string>
#include <string_view>
#include <vector>

#include "base/report_sink.h"

namespace vexa {

class SerialLink;
class BoardPort;

// "Special 1": writes 06 00 00 80, reads one byte itself for up to 2 s (the receive thread's
// reading is off meanwhile, so the byte is not shown), then writes 256 bytes of FF.
void special_probe(SerialLink& link, BoardPort& port);

// The SAM-BA auto-baud start: prints "<speed>: \x80\x80#", then writes 0x80, waits 100 ms,
// 0x80, waits 100 ms, and "#".
void samba_auto_baud(SerialLink& link, ReportSink& report);

// The ports whose opening the debug menu's "open com" tries: the names as printed, and what
// they open here.
struct ProbedDevice {
  std::string name;         // "\\.\COM16"
  std::string device_path;  // "/dev/ttyS15"
};
const std::vector<ProbedDevice>& probed_devices();

// "%s: %d %d= %s" for each probed device: the name, the descriptor the open gave (-1 on
// failure), the errno (0 when it opened) and its system text ("ok" when it opened).
void probe_devices(ReportSink& report, const std::vector<ProbedDevice>& devices = probed_devices());

}  // namespace vexa
