#pragma once
// The telnet side of a network serial gateway (ser2net, a device server): the option
// negotiation that turns a TCP stream into an 8-bit clean serial line with com port control
// (RFC 854/856/858, RFC 2217), the doubling of 0xFF in the data, and the decoding of what the
// gateway sends back: data, option answers and com port answers and notifications.
//
// No sockets here: the codec turns bytes into bytes, so the whole protocol is testable alone.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

namespace telnet {
inline constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251;
inline constexpr unsigned char kSb = 250, kSe = 240;
inline constexpr unsigned char kBinary = 0, kEcho = 1, kSuppressGoAhead = 3, kComPort = 44;
}  // namespace telnet

// The client's com port commands; a gateway answers each with the code plus 100.
enum class ComPortCommand : unsigned char {
  set_baudrate = 1,
  set_datasize = 2,
  set_parity = 3,
  set_stopsize = 4,
  set_control = 5,
  notify_linestate = 6,
  notify_modemstate = 7,
  set_linestate_mask = 10,
  set_modemstate_mask = 11,
  purge_data = 12,
};
inline constexpr unsigned char kComPortAnswerOffset = 100;

// Values of SET-CONTROL.
namespace com_control {
inline constexpr unsigned char kAskFlow = 0, kNoFlow = 1, kXonXoff = 2, kHardware = 3;
inline constexpr unsigned char kBreakOn = 5, kBreakOff = 6;
inline constexpr unsigned char kDtrOn = 8, kDtrOff = 9, kRtsOn = 11, kRtsOff = 12;
}  // namespace com_control

// Values of SET-PARITY and SET-STOPSIZE.
inline constexpr unsigned char kParityNone = 1, kParityOdd = 2, kParityEven = 3, kParityMark = 4, kParitySpace = 5;
inline constexpr unsigned char kStopOne = 1, kStopTwo = 2;
inline constexpr unsigned char kPurgeBoth = 3;

// Bits of NOTIFY-MODEMSTATE.
inline constexpr unsigned char kModemCarrier = 0x80, kModemRing = 0x40, kModemDsr = 0x20, kModemCts = 0x10;

// One com port subnegotiation from the gateway: its command (already less 100) and its value.
struct ComPortAnswer {
  ComPortCommand command{};
  std::string value;
  bool operator==(const ComPortAnswer&) const = default;
};

// The data with every 0xFF doubled, as telnet carries it.
std::string telnet_escape(std::string_view data);
// IAC SB COM-PORT-OPTION command value IAC SE, with 0xFF in the value doubled.
std::string com_port_request(ComPortCommand command, std::string_view value);
// The 32-bit big-endian speed of SET-BAUDRATE, and back (0 for a value of another length).
std::string baud_value(std::uint32_t speed);
std::uint32_t baud_from_value(std::string_view value);

class TelnetComPortCodec {
 public:
  // What the client asks for first: it will do com port control and binary and suppress
  // go-ahead, and asks the gateway to send binary with go-ahead suppressed.
  std::string opening();

  // Takes bytes from the gateway. Appends the serial data to data, the com port answers and
  // notifications to answers, and what the client must send back (option replies) to reply.
  void feed(std::string_view bytes, std::string& data, std::vector<ComPortAnswer>& answers, std::string& reply);

  // The gateway agreed to com port control (DO COM-PORT-OPTION) / refused it (DONT).
  bool com_port_accepted() const { return com_port_accepted_; }
  bool com_port_refused() const { return com_port_refused_; }

 private:
  enum class State { data, iac, option, sub, sub_iac };
  void option(unsigned char verb, unsigned char code, std::string& reply);
  // The other side asks to turn an option on: agree once when wanted, else refuse once.
  void request(unsigned char code, bool wanted, bool* said_yes, bool* said_no, unsigned char yes,
               unsigned char no, std::string& reply);
  // The other side turns an option off.
  void refusal(unsigned char code, bool* said_yes, unsigned char no, std::string& reply);
  void end_subnegotiation(std::vector<ComPortAnswer>& answers);

  State state_ = State::data;
  unsigned char verb_ = 0;
  std::string sub_;
  // What the client has said of each option, so a repeated request is not answered again
  // (answering every echo of a request would loop forever between the two sides).
  bool said_will_[256] = {};
  bool said_wont_[256] = {};
  bool said_do_[256] = {};
  bool said_dont_[256] = {};
  bool com_port_accepted_ = false;
  bool com_port_refused_ = false;
};

}  // namespace vexa
