#include "sim/samba_session.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "base/text_format.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa::sim {

namespace {

constexpr std::size_t kEntryLineChars = 16;  // longer lines cannot be "dl" or "samba"

}  // namespace

SambaSession::SambaSession(SambaOptions options) : options_(std::move(options)) {
  if (options_.start_in_monitor) enter();
}

SambaMonitor& SambaSession::ensure_monitor() {
  if (!monitor_) monitor_ = std::make_unique<SambaMonitor>();
  return *monitor_;
}

void SambaSession::enter() {
  ensure_monitor().restart();
  active_ = true;
  ++entries_;
  if (options_.announce) std::fprintf(stderr, "vexaboard: SAM-BA boot monitor of an AT91SAM7S256\n");
}

SambaSession::Fed SambaSession::feed(std::string_view bytes, std::int64_t now_ms) {
  Fed fed;
  std::size_t line_start = 0;  // of the current line within bytes (0: it may have begun earlier)
  bool line_began_here = false;
  std::size_t i = 0;
  while (i < bytes.size() && !active_) {
    const char c = bytes[i++];
    if (c != '\n' && c != '\r') {
      if (line_.empty() && !line_began_here) {
        line_start = i - 1;
        line_began_here = true;
      }
      if (line_.size() <= kEntryLineChars) line_ += c;
      continue;
    }
    if (line_.empty()) {
      line_began_here = false;
      continue;
    }
    if (line_ == "samba" && last_line_ == "dl") {
      // The entry line never reaches the firmware; what it had of it is dropped.
      fed.to_board.assign(bytes.substr(0, line_began_here ? line_start : 0));
      fed.board_line_cut = !line_began_here;
      line_.clear();
      last_line_.clear();
      enter();
      break;
    }
    last_line_ = line_;
    line_.clear();
    line_began_here = false;
  }
  if (!active_) {
    fed.to_board.assign(bytes);
    return fed;
  }
  SambaMonitor& monitor = ensure_monitor();
  const std::string_view rest = bytes.substr(i);
  // The monitor stops at a reset: what follows belongs to whoever runs after it.
  std::size_t at = 0;
  while (at < rest.size() && active_) {
    std::size_t used = 0;
    fed.reply += monitor.feed(rest.substr(at), now_ms, &used);
    at += used;
    if (monitor.chip().take_resets() > 0) chip_reset();
  }
  if (at < rest.size()) fed.to_board.append(rest.substr(at));
  return fed;
}

void SambaSession::chip_reset() {
  ++resets_;
  SambaMonitor& monitor = *monitor_;
  const std::uint32_t gpnvm = monitor.chip().gpnvm();
  if (!options_.flash_out.empty())
    flash_out_problem_ = write_flash_file(options_.flash_out, monitor.chip());
  if (options_.announce) {
    std::fprintf(stderr, "vexaboard: chip reset, GPNVM bits 0x%X (%s)\n", gpnvm,
                 (gpnvm & kBootFromFlashBit) ? "boots from flash" : "boots the SAM-BA monitor");
    if (!options_.flash_out.empty())
      std::fprintf(stderr, "vexaboard: flash %s%s\n",
                   flash_out_problem_.empty() ? "written to " : "not written: ",
                   flash_out_problem_.empty() ? options_.flash_out.c_str() : flash_out_problem_.c_str());
  }
  monitor.restart();
  // Booting from flash starts the firmware again; otherwise the boot ROM's monitor.
  if (gpnvm & kBootFromFlashBit) active_ = false;
}

std::string write_flash_file(const std::string& path, const SambaChip& chip) {
  const std::string temporary = path + ".part";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return "cannot write " + temporary + ": " + system_error_text(errno);
    file.write(reinterpret_cast<const char*>(chip.flash().data()),
               static_cast<std::streamsize>(chip.flash().size()));
    if (!file.flush()) return "cannot write " + temporary + ": " + system_error_text(errno);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0)
    return "cannot rename " + temporary + " to " + path + ": " + system_error_text(errno);
  return {};
}

}  // namespace vexa::sim
