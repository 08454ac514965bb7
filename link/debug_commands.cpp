#include "link/debug_commands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/board_port.h"
#include "base/text_format.h"
#include "link/receive_thread.h"
#include "link/serial_link.h"

namespace vexa {

namespace {

constexpr int kProbeReplyWaitMs = 2000;
constexpr std::size_t kProbeFillBytes = 256;
constexpr auto kAutoBaudPause = std::chrono::milliseconds(100);

}  // namespace

void special_probe(SerialLink& link, BoardPort& port) {
  static constexpr char kStart[] = {'\x06', '\x00', '\x00', '\x80'};
  {
    // Reading stops before the start bytes go out, so the boot code's answer cannot reach the
    // terminal first.
    ReadingPause pause(port);
    port.write_bytes(std::string_view(kStart, sizeof kStart));
    (void)port.read_byte(kProbeReplyWaitMs);  // the answer is not used
  }
  link.wake_receiver();
  const std::string fill(kProbeFillBytes, '\xff');
  link.write_bytes(fill.data(), fill.size());
}

void samba_auto_baud(SerialLink& link, ReportSink& report) {
  report.print_line(format_text("%ld: \u20ac\u20ac#", link.speed()));
  const char start = '\x80';
  link.write_bytes(&start, 1);
  std::this_thread::sleep_for(kAutoBaudPause);
  link.write_bytes(&start, 1);
  std::this_thread::sleep_for(kAutoBaudPause);
  link.write_bytes("#", 1);
}

const std::vector<ProbedDevice>& probed_devices() {
  static const std::vector<ProbedDevice> devices = [] {
    std::vector<ProbedDevice> list;
    for (int n : {16, 17, 18}) {
      const std::string com = "COM" + std::to_string(n);
      list.push_back({"\\\\.\\" + com, resolve_port_name(com).device_path});
    }
    return list;
  }();
  return devices;
}

void probe_devices(ReportSink& report, const std::vector<ProbedDevice>& devices) {
  for (const ProbedDevice& device : devices) {
    errno = 0;
    // Opening for no access only asks whether the device is there and may be used.
    const int fd = ::open(device.device_path.c_str(), O_PATH | O_CLOEXEC);
    const int code = fd < 0 ? errno : 0;
    const std::string text = code == 0 ? "ok" : std::strerror(code);
    report.print_line(format_text("%s: %d %d= %s", device.name.c_str(), fd, code, text.c_str()));
    if (fd >= 0) ::close(fd);
  }
}

}  // namespace vexa
