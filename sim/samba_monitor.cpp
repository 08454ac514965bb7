#include "sim/samba_monitor.h"

#include <cstdlib>

#include "base/text_format.h"
#include "download/xmodem_crc.h"
#include "download/xmodem_sender.h"

namespace vexa::sim {

namespace {

constexpr std::size_t kLongestCommand = 64;
constexpr std::size_t kFrameBytes = kXmodemBlockBytes + 5;  // SOH, number, complement, data, CRC
constexpr unsigned char kCancel = 0x18;

bool command_character(unsigned char c) { return c > 0x20 && c < 0x7F; }

struct ParsedCommand {
  char letter = 0;
  std::uint32_t address = 0;
  std::uint32_t value = 0;
  bool has_value = false;
};

ParsedCommand parse(const std::string& text) {
  ParsedCommand parsed;
  if (text.empty()) return parsed;
  parsed.letter = text[0];
  const std::string rest = text.substr(1);
  const auto comma = rest.find(',');
  parsed.address = static_cast<std::uint32_t>(std::strtoul(rest.substr(0, comma).c_str(), nullptr, 16));
  if (comma != std::string::npos && comma + 1 < rest.size()) {
    parsed.value = static_cast<std::uint32_t>(std::strtoul(rest.substr(comma + 1).c_str(), nullptr, 16));
    parsed.has_value = true;
  }
  return parsed;
}

unsigned access_size(char letter) {
  switch (letter) {
    case 'o': case 'O': return 1;
    case 'h': case 'H': return 2;
    default: return 4;
  }
}

}  // namespace

SambaMonitor::SambaMonitor() = default;

void SambaMonitor::restart() {
  state_ = State::command;
  terminal_ = true;
  command_.clear();
  block_.clear();
}

void SambaMonitor::prompt(std::string& out) const {
  if (terminal_) out += kSambaPrompt;
}

std::string SambaMonitor::feed(std::string_view bytes, std::int64_t now_ms,
                               std::size_t* consumed) {
  std::string out;
  if (state_ != State::command && now_ms - last_byte_ms_ > kSambaTransferIdleMs) {
    state_ = State::command;  // the host gave up on the transfer
    block_.clear();
  }
  last_byte_ms_ = now_ms;
  const int resets_before = chip_.resets();
  std::size_t used = 0;
  while (used < bytes.size() && chip_.resets() == resets_before) {
    const auto c = static_cast<unsigned char>(bytes[used++]);
    switch (state_) {
      case State::command: command_byte(c, out); break;
      case State::receiving: receive_byte(c, out); break;
      case State::sending: send_byte(c, out); break;
    }
  }
  if (consumed) *consumed = used;
  return out;
}

void SambaMonitor::command_byte(unsigned char c, std::string& out) {
  if (c == '#') {
    const std::string command = command_;
    command_.clear();
    execute(command, out);
  } else if (!command_character(c) || command_.size() >= kLongestCommand) {
    command_.clear();
  } else {
    command_ += static_cast<char>(c);
  }
}

void SambaMonitor::execute(const std::string& command, std::string& out) {
  const ParsedCommand cmd = parse(command);
  switch (cmd.letter) {
    case 0: prompt(out); break;  // the auto-baud '#'
    case 'N':
      terminal_ = false;
      out += "\n\r";
      break;
    case 'T':
      terminal_ = true;
      out += "\n\r";
      prompt(out);
      break;
    case 'V':
      out += kSambaVersion;
      out += "\n\r";
      prompt(out);
      break;
    case 'w': case 'h': case 'o': {
      const unsigned size = access_size(cmd.letter);
      const std::uint32_t value = chip_.read(cmd.address, size);
      if (terminal_) {
        out += format_text("\n\r0x%0*X", static_cast<int>(size * 2), value);
      } else {
        for (unsigned i = 0; i < size; ++i) out += static_cast<char>(value >> (8 * i));
      }
      prompt(out);
      break;
    }
    case 'W': case 'H': case 'O': {
      const int resets = chip_.resets();
      chip_.write(cmd.address, access_size(cmd.letter), cmd.value);
      if (chip_.resets() == resets) prompt(out);  // a reset leaves no time for one
      break;
    }
    case 'S':
      address_ = cmd.address;
      unlimited_ = !cmd.has_value;
      remaining_ = cmd.value;
      block_number_ = 1;
      block_.clear();
      state_ = State::receiving;
      out += static_cast<char>(kCrcStart);
      break;
    case 'R':
      address_ = cmd.address;
      remaining_ = cmd.value;
      block_number_ = 1;
      end_sent_ = false;
      state_ = State::sending;  // the host starts it with 'C'
      break;
    case 'G': {
      ++calls_;
      const AppletRun run = cpu_.call(cmd.address);
      out += chip_.take_transmitted();
      last_fault_ = run.fault;
      // A crashed program never comes back: the host hears nothing more.
      if (run.returned) prompt(out);
      break;
    }
    default:
      prompt(out);
      break;
  }
}

void SambaMonitor::receive_byte(unsigned char c, std::string& out) {
  if (block_.empty()) {
    if (c == kEot) {
      out += static_cast<char>(kAck);
      finish_transfer(out);
    } else if (c == kCancel) {
      state_ = State::command;
    } else if (c == kSoh) {
      block_ += static_cast<char>(c);
    }
    return;  // anything else between blocks is line noise
  }
  block_ += static_cast<char>(c);
  if (block_.size() < kFrameBytes) return;
  const auto number = static_cast<std::uint8_t>(block_[1]);
  const auto complement = static_cast<std::uint8_t>(block_[2]);
  const std::string_view data = std::string_view(block_).substr(3, kXmodemBlockBytes);
  const std::uint16_t crc = static_cast<std::uint16_t>(
      (static_cast<unsigned char>(block_[kFrameBytes - 2]) << 8) |
      static_cast<unsigned char>(block_[kFrameBytes - 1]));
  const bool intact = static_cast<std::uint8_t>(255 - number) == complement && xmodem_crc16(data) == crc;
  if (intact && number == block_number_) {
    for (std::size_t i = 0; i < data.size() && (unlimited_ || remaining_ > 0); ++i) {
      chip_.write(address_++, 1, static_cast<unsigned char>(data[i]));
      if (!unlimited_) --remaining_;
    }
    ++block_number_;
    ++blocks_received_;
    out += static_cast<char>(kAck);
  } else if (intact && static_cast<std::uint8_t>(number + 1) == block_number_) {
    out += static_cast<char>(kAck);  // a repeat of the block already taken
  } else {
    out += static_cast<char>(kNak);
  }
  block_.clear();
}

void SambaMonitor::send_byte(unsigned char c, std::string& out) {
  if (c == kCancel) {
    state_ = State::command;
    return;
  }
  if (end_sent_) {
    if (c == kAck) finish_transfer(out);
    else if (c == kNak) out += static_cast<char>(kEot);
    return;
  }
  if (c == kAck && !block_.empty()) {
    // The block was taken: move on.
    const std::uint64_t taken = std::min<std::uint64_t>(remaining_, kXmodemBlockBytes);
    remaining_ -= taken;
    address_ += static_cast<std::uint32_t>(taken);
    ++block_number_;
    block_.clear();
  } else if (c != kCrcStart && c != kNak) {
    return;
  }
  if (remaining_ == 0) {
    out += static_cast<char>(kEot);
    end_sent_ = true;
    return;
  }
  if (block_.empty()) {
    std::string data(kXmodemBlockBytes, '\0');
    const std::uint64_t count = std::min<std::uint64_t>(remaining_, kXmodemBlockBytes);
    for (std::uint64_t i = 0; i < count; ++i)
      data[i] = static_cast<char>(chip_.read(address_ + static_cast<std::uint32_t>(i), 1));
    block_ = xmodem_block(block_number_, data);
  }
  out += block_;  // first sending, or again after a NAK
}

void SambaMonitor::finish_transfer(std::string& out) {
  state_ = State::command;
  block_.clear();
  prompt(out);
}

}  // namespace vexa::sim
