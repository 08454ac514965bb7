#include "platform/line_settings.h"

// termios2 lives in the kernel's header, which clashes with glibc's <termios.h>: this file uses
// only the kernel's.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cctype>
#include <cerrno>
#include <string>

namespace vexa {

namespace {

struct ParityLetter {
  Parity parity;
  char letter;
};
constexpr ParityLetter kParityLetters[] = {
    {Parity::none, 'n'}, {Parity::odd, 'o'}, {Parity::even, 'e'}, {Parity::mark, 'm'}, {Parity::space, 's'}};

struct FlowWord {
  FlowControl flow;
  const char* word;
};
constexpr FlowWord kFlowWords[] = {
    {FlowControl::none, "none"}, {FlowControl::rts_cts, "rtscts"}, {FlowControl::xon_xoff, "xonxoff"}};

constexpr tcflag_t kSizeBits[] = {CS5, CS6, CS7, CS8};

std::string lower(std::string_view text) {
  std::string out;
  for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string line_settings_text(const LineSettings& settings) {
  char parity = 'n';
  for (const auto& entry : kParityLetters)
    if (entry.parity == settings.parity) parity = entry.letter;
  std::string text;
  text += parity;
  text += ',' + std::to_string(settings.data_bits) + ',' + std::to_string(settings.stop_bits);
  for (const auto& entry : kFlowWords)
    if (entry.flow == settings.flow && entry.flow != FlowControl::none) text += std::string(",") + entry.word;
  return text;
}

std::optional<LineSettings> parse_line_settings(std::string_view text) {
  std::string t = lower(text);
  std::string fields[4];
  int count = 0;
  if (t.size() >= 3 && std::isdigit(static_cast<unsigned char>(t[0])) && std::isalpha(static_cast<unsigned char>(t[1])) &&
      std::isdigit(static_cast<unsigned char>(t[2])) && (t.size() == 3 || t[3] == ',')) {
    // "8N1[,flow]": data bits, parity, stop bits
    fields[0] = std::string(1, t[1]);
    fields[1] = std::string(1, t[0]);
    fields[2] = std::string(1, t[2]);
    count = 3;
    if (t.size() > 4) fields[count++] = t.substr(4);
  } else {
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = t.find(',', start);
      if (count == 4) return std::nullopt;
      fields[count++] = t.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  if (count < 3) return std::nullopt;
  LineSettings settings;
  bool parity_known = false;
  for (const auto& entry : kParityLetters)
    if (fields[0] == std::string(1, entry.letter)) {
      settings.parity = entry.parity;
      parity_known = true;
    }
  if (!parity_known) return std::nullopt;
  if (fields[1].size() != 1 || fields[1][0] < '5' || fields[1][0] > '8') return std::nullopt;
  settings.data_bits = fields[1][0] - '0';
  if (fields[2] != "1" && fields[2] != "2") return std::nullopt;
  settings.stop_bits = fields[2][0] - '0';
  if (count == 4) {
    bool flow_known = false;
    for (const auto& entry : kFlowWords)
      if (fields[3] == entry.word) {
        settings.flow = entry.flow;
        flow_known = true;
      }
    if (!flow_known) return std::nullopt;
  }
  return settings;
}

namespace {

unsigned speed_code(long speed) {
  unsigned code = 0;
  return standard_speed_code(speed, code) ? code : BOTHER;
}

}  // namespace

bool standard_speed_code(long speed, unsigned& code) {
  struct SpeedCode {
    long speed;
    unsigned code;
  };
  // Speeds with a code of their own are set with it, so that programs reading the line with the
  // classic calls see the speed; others go as BOTHER with the number.
  constexpr SpeedCode kSpeedCodes[] = {
      {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
      {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
      {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
      {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
      {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
      {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
      {3500000, B3500000}, {4000000, B4000000},
  };
  for (const auto& entry : kSpeedCodes) {
    if (entry.speed == speed) {
      code = entry.code;
      return true;
    }
  }
  return false;
}

LineFlags line_flags(const LineSettings& settings) {
  LineFlags flags;
  const int bits = settings.data_bits < 5 || settings.data_bits > 8 ? 8 : settings.data_bits;
  flags.cflag = kSizeBits[bits - 5];
  switch (settings.parity) {
    case Parity::none: break;
    case Parity::odd: flags.cflag |= PARENB | PARODD; break;
    case Parity::even: flags.cflag |= PARENB; break;
    case Parity::mark: flags.cflag |= PARENB | PARODD | CMSPAR; break;
    case Parity::space: flags.cflag |= PARENB | CMSPAR; break;
  }
  if (settings.stop_bits == 2) flags.cflag |= CSTOPB;
  if (settings.flow == FlowControl::rts_cts) flags.cflag |= CRTSCTS;
  if (settings.flow == FlowControl::xon_xoff) flags.iflag |= IXON | IXOFF;
  return flags;
}

LineSettings settings_from_flags(const LineFlags& flags) {
  LineSettings settings;
  switch (flags.cflag & CSIZE) {
    case CS5: settings.data_bits = 5; break;
    case CS6: settings.data_bits = 6; break;
    case CS7: settings.data_bits = 7; break;
    default: settings.data_bits = 8; break;
  }
  if (flags.cflag & PARENB) {
    const bool odd = (flags.cflag & PARODD) != 0;
    if (flags.cflag & CMSPAR)
      settings.parity = odd ? Parity::mark : Parity::space;
    else
      settings.parity = odd ? Parity::odd : Parity::even;
  }
  settings.stop_bits = (flags.cflag & CSTOPB) ? 2 : 1;
  if (flags.cflag & CRTSCTS)
    settings.flow = FlowControl::rts_cts;
  else if (flags.iflag & IXON)
    settings.flow = FlowControl::xon_xoff;
  return settings;
}

int apply_line_settings(int fd, long speed, const LineSettings& settings, bool xoff_receive) {
  if (speed < kLowestLineSpeed || speed > kHighestLineSpeed || settings.data_bits < 5 || settings.data_bits > 8 ||
      (settings.stop_bits != 1 && settings.stop_bits != 2))
    return EINVAL;
  termios2 tio{};
  if (::ioctl(fd, TCGETS2, &tio) != 0) return errno;
  // Raw: no line editing, no translation, no signals, bytes as they come.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
  const LineFlags flags = line_flags(settings);
  tio.c_cflag |= flags.cflag | CREAD | CLOCAL | speed_code(speed);
  tio.c_iflag |= flags.iflag;
  if (xoff_receive) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = 0x11;
  tio.c_cc[VSTOP] = 0x13;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  tio.c_ispeed = static_cast<speed_t>(speed);
  tio.c_ospeed = static_cast<speed_t>(speed);
  if (::ioctl(fd, TCSETS2, &tio) != 0) return errno;
  // A driver that cannot make the speed keeps another one (or rounds it far off): refuse that
  // rather than talk at a speed the user did not ask for. 2 % is what UARTs tolerate.
  termios2 check{};
  if (::ioctl(fd, TCGETS2, &check) != 0) return errno;
  const long got = static_cast<long>(check.c_ospeed);
  if (got <= 0 || (got > speed ? got - speed : speed - got) * 50 > speed) return EINVAL;
  return 0;
}

std::optional<AppliedLine> read_line_settings(int fd) {
  termios2 tio{};
  if (::ioctl(fd, TCGETS2, &tio) != 0) return std::nullopt;
  AppliedLine line;
  line.speed = static_cast<long>(tio.c_ospeed);
  line.settings = settings_from_flags({tio.c_cflag, tio.c_iflag});
  line.xoff_receive = (tio.c_iflag & IXOFF) != 0;
  return line;
}

}  // namespace vexa
