// The port selector's list comes from sysfs: which ttys sit on real hardware, and which serial
// core ports have no UART behind them (phantom ttyS). No device node is opened to find out: an
// open raises DTR and RTS on a port the user did not choose.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "link/serial_link.h"
#include "platform/serial_tty.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A fake /sys and /dev: tty name, UART type ("" for none, as USB and ACM ttys), hardware or not.
struct FakeSystem {
  TempDir dir;
  std::string sys = dir.file("sys");
  std::string dev = dir.file("dev");

  FakeSystem() {
    fs::create_directories(sys + "/class/tty");
    fs::create_directories(sys + "/devices/platform/serial8250");
    fs::create_directories(dev + "/serial/by-id");
  }
  void tty(const std::string& name, bool hardware, const std::string& type = "", bool node = true) {
    const std::string entry = sys + "/class/tty/" + name;
    fs::create_directories(entry);
    if (hardware) fs::create_directory_symlink(sys + "/devices/platform/serial8250", entry + "/device");
    if (!type.empty()) dir.write("sys/class/tty/" + name + "/type", type + "\n");
    if (node) {
      dir.write("dev/" + name, "");
      ::chmod((dev + "/" + name).c_str(), 0);  // nobody may open it
    }
  }
};

TEST(PortList, HardwareTtysFromSysfsWithoutPhantomsOrOpensAndNoneWithoutSysfs) {
  FakeSystem system;
  system.tty("ttyS0", true, "4");     // a 16550A
  system.tty("ttyS1", true, "0");     // PORT_UNKNOWN: no UART
  system.tty("ttyS10", true, "4");
  system.tty("ttyS2", true, "4", false);  // no device node
  system.tty("ttyUSB0", true);
  system.tty("ttyACM1", true);
  system.tty("ttyACM0", true);
  system.tty("ttyAMA0", true, "1");
  system.tty("tty1", false);          // virtual console
  system.tty("ptmx", false);
  // Without sysfs the nodes of /dev prove nothing: no serial port at all.
  EXPECT_EQ(list_serial_devices(system.dev, system.dir.file("nosys")), std::vector<std::string>{});
  fs::create_symlink("../../ttyUSB0", system.dev + "/serial/by-id/usb-FTDI_FT232R-if00-port0");

  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, system.dev.c_str(), IN_OPEN | IN_ACCESS), 0);

  const auto d = system.dev + "/";
  EXPECT_EQ(list_serial_devices(system.dev, system.sys),
            (std::vector<std::string>{d + "ttyS0", d + "ttyS10", d + "ttyUSB0", d + "ttyACM0", d + "ttyACM1",
                                      d + "ttyAMA0", d + "serial/by-id/usb-FTDI_FT232R-if00-port0"}));
  EXPECT_EQ(port_list(system.dev, system.sys).back(), "tcp/ip");

  // Listing the folder opens the folder itself; no event may name a device in it.
  alignas(inotify_event) char events[4096];
  const ssize_t n = ::read(watch, events, sizeof events);
  for (ssize_t at = 0; at < n;) {
    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
    EXPECT_EQ(event->len, 0u) << "opened " << event->name;
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  ::close(watch);
}

TEST(PortList, AGatewayPortInUseStaysOfferedBeforeTcpIp) {
  // No scan finds a network port: the selector keeps the one in use, once, before "tcp/ip".
  const std::vector<std::string> plain = port_list();
  const std::vector<std::string> kept = port_list_keeping("rfc2217://10.0.0.5:2000");
  ASSERT_EQ(kept.size(), plain.size() + 1);
  EXPECT_EQ(kept[kept.size() - 2], "rfc2217://10.0.0.5:2000");
  EXPECT_EQ(kept.back(), "tcp/ip");
  EXPECT_EQ(port_list_keeping("/dev/ttyUSB0"), plain);
  EXPECT_EQ(port_list_keeping("tcp/ip"), plain);
}

}  // namespace
}  // namespace vexa
