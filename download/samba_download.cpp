#include "download/samba_download.h"

#include <cstring>

#include "base/text_format.h"
#include "download/samba_applet.h"
#include "download/samba_layout.h"
#include "download/xmodem_sender.h"
#include "link/link_session.h"

namespace vexa {

namespace {

// Sent (each with '#') as soon as the monitor answers: one flash wait state before anything
// touches the flash.
constexpr const char* kInitCommands[] = {"WFFFFFF60,00450100", nullptr};

std::uint32_t little_endian_word(std::string_view bytes) {
  std::uint32_t word = 0;
  for (int i = 3; i >= 0; --i)
    word = (word << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
  return word;
}

// The steps after the first speed change; false at the first failure.
bool program_chip(SambaWire& wire, const Messages& messages, StatusLine& status,
                  std::string_view image, const SambaDownloadOptions& options) {
  BoardPort& port = wire.port();
  wire.auto_baud_sync();
  wire.send("\n");
  wire.sleep(kSambaNewlinePauseMs);

  if (wire.verbose()) wire.report().print_line(format_text("%ld: dl", port.speed()));
  wire.send("dl\n");
  wire.sleep(kSambaEntryPauseMs);
  wire.send("samba\n");
  wire.sleep(kSambaEntryPauseMs);

  // From here the boot monitor answers; it measures the speed again from the auto-baud start.
  port.set_speed(samba::kLinkSpeed, options.speed_notice);
  wire.auto_baud_sync();
  for (int i = 0; i < kSambaDrainBytes; ++i) (void)port.read_byte(0);

  for (const char* const* entry = kInitCommands; *entry; ++entry)
    if (!wire.monitor_command(std::string(*entry) + "#")) return false;
  if (wire.verbose()) wire.report().print_line("samba init done");

  const std::string_view applet = samba_applet();
  std::string applet_blocks(applet);
  applet_blocks.resize((applet.size() + kXmodemBlockBytes - 1) / kXmodemBlockBytes * kXmodemBlockBytes, '\0');
  if (!xmodem_send(wire, applet_blocks, applet.size(), samba::kAppletEntry)) return false;
  if (wire.verbose()) wire.report().print_line("samba preloader done");
  status.set_progress("init done");

  std::uint32_t page = 0;
  std::uint64_t bytes = 0;
  for (std::size_t offset = 0;; offset += samba::kPageBytes) {
    const std::size_t left = offset < image.size() ? image.size() - offset : 0;
    const std::size_t whole = std::min<std::size_t>(samba::kPageBytes, left / 4 * 4);
    if (whole == 0) break;
    std::string page_data(samba::kPageBytes, '\0');
    std::memcpy(page_data.data(), image.data() + offset, whole);

    if (!wire.monitor_command("W002013FC,00000001#")) return false;
    if (!wire.monitor_command(format_text("W00201500,%08x#", page))) return false;
    if (!xmodem_send(wire, page_data, page_data.size(), samba::kPageData)) return false;
    wire.send("G00201600#");
    if (wire.verbose()) wire.report().print_line("G00201600#");
    (void)port.read_byte(kSambaAppletReplyMs);  // the applet's 0x06, or a prompt byte before it

    bytes += samba::kPageBytes;
    status.set_progress(format_text("%u", static_cast<unsigned>(bytes)));
    ++page;
    if (options.pages) options.pages(static_cast<int>(page), samba_page_count(image));
  }

  if (!wire.wait_flash_ready()) return false;
  if (!wire.monitor_command("WFFFFFF64,5A00020B#")) return false;
  if (!wire.wait_flash_ready()) return false;
  wire.send("WFFFFFD00,A500000D#");  // the chip resets: no prompt follows
  if (wire.verbose()) wire.report().print_line("WFFFFFD00,A500000D#");
  wire.report().print_line(format_text(
      "%d(0x%x) %s, %d %s", static_cast<int>(bytes), static_cast<unsigned>(bytes),
      messages.message("Mbytes").c_str(), static_cast<int>(page),
      messages.message("MPwritten").c_str()));
  return true;
}

}  // namespace

int samba_page_count(std::string_view image) {
  // Only whole words are programmed: 1 to 3 loose bytes at the end make no page of their own.
  const std::size_t programmed = image.size() / 4 * 4;
  return static_cast<int>((programmed + samba::kPageBytes - 1) / samba::kPageBytes);
}

SambaIdentity samba_identity(std::string_view image) {
  SambaIdentity result;
  for (std::size_t offset = 0; offset + 4 <= image.size(); offset += 4) {
    result.identity ^= little_endian_word(image.substr(offset, 4));
    ++result.words;
  }
  return result;
}

bool run_samba_download(BoardPort& port, ReportSink& report, const Messages& messages,
                        StatusLine& status, std::string_view image,
                        const SambaDownloadOptions& options) {
  const SambaIdentity identity = samba_identity(image);
  report.print_line(format_text("%d [0x%x] %s crc= 0x%X", static_cast<int>(identity.words * 4),
                                static_cast<unsigned>(identity.words * 4),
                                messages.message("Mbytes").c_str(), identity.identity));
  SambaWire wire(port, report, messages, options.clock ? *options.clock : SystemClock::instance(), options.verbose,
                 options.echo);
  // The link stays at the monitor's speed afterwards: the old one is not kept.
  port.set_speed(samba::kLinkSpeed, options.speed_notice);
  if (options.pages) options.pages(0, samba_page_count(image));
  return program_chip(wire, messages, status, image, options);
}

bool samba_download(LinkSession& link, ReportSink& report, const Messages& messages,
                    StatusLine& status, std::string_view image,
                    const SambaDownloadOptions& options) {
  BoardPort& port = link.board_port();
  ReadingPause pause(port);
  SambaDownloadOptions shown = options;
  shown.speed_notice = SpeedNotice::shown;
  return run_samba_download(port, report, messages, status, image, shown);
}

}  // namespace vexa
