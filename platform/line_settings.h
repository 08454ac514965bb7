#pragma once
// The character frame and handshake of a serial line beyond the plain 8N1 the boards use, and
// any speed the driver accepts (the kernel's arbitrary-speed interface, not only the B-codes).
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

enum class Parity { none, odd, even, mark, space };
enum class FlowControl { none, rts_cts, xon_xoff };

struct LineSettings {
  int data_bits = 8;  // 5..8
  Parity parity = Parity::none;
  int stop_bits = 1;  // 1 or 2
  FlowControl flow = FlowControl::none;
  bool operator==(const LineSettings&) const = default;
};

// "n,8,1" for the plain frame, then ",rtscts" or ",xonxoff" when a handshake is on: the tail of
// the port's description line.
std::string line_settings_text(const LineSettings& settings);
// Reads what line_settings_text writes (letters in any case; "8N1" without commas as well).
// Nothing for text it does not understand.
std::optional<LineSettings> parse_line_settings(std::string_view text);

// The termios bits of a frame and handshake (c_cflag and c_iflag, as <termios.h> numbers them),
// and the frame they stand for. A pseudo-terminal forces 8 bits without parity whatever it is
// told, so these are checked apart from the port.
struct LineFlags {
  unsigned cflag = 0;
  unsigned iflag = 0;
};
LineFlags line_flags(const LineSettings& settings);
LineSettings settings_from_flags(const LineFlags& flags);

// The speeds a tty can be asked for (the kernel's speed field is 32 bits).
inline constexpr long kLowestLineSpeed = 1;
inline constexpr long kHighestLineSpeed = 0x7fffffffL;

// Raw mode with this frame and speed on an open tty, through TCSETS2 so that speeds without a
// B-code (250000) are asked for as they are. xoff_receive: the driver sends XOFF/XON for its
// input queue. 0 or an errno code; EINVAL when the driver refuses the speed or the frame.
int apply_line_settings(int fd, long speed, const LineSettings& settings, bool xoff_receive);

// What the driver holds now (TCGETS2): the output speed and the frame.
struct AppliedLine {
  long speed = 0;
  LineSettings settings;
  bool xoff_receive = false;
};
std::optional<AppliedLine> read_line_settings(int fd);

// The termios code of a speed that has one of its own (B9600 for 9600); false for the others,
// which only the arbitrary-speed interface sets.
bool standard_speed_code(long speed, unsigned& code);

}  // namespace vexa
