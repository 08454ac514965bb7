#include "link/telnet_com_port.h"

namespace vexa {

namespace {

using namespace telnet;

// A com port subnegotiation holds a command and at most a 4-byte value (a signature text may be
// longer); anything past this is not a gateway's answer and is dropped.
constexpr std::size_t kLongestSubnegotiation = 256;

bool wanted_here(unsigned char code) { return code == kComPort || code == kBinary || code == kSuppressGoAhead; }
bool wanted_there(unsigned char code) { return code == kBinary || code == kSuppressGoAhead; }

std::string command_bytes(unsigned char verb, unsigned char code) {
  return std::string{static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(code)};
}

}  // namespace

std::string telnet_escape(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (char c : data) {
    out.push_back(c);
    if (static_cast<unsigned char>(c) == kIac) out.push_back(c);
  }
  return out;
}

std::string com_port_request(ComPortCommand command, std::string_view value) {
  std::string out{static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
                  static_cast<char>(command)};
  out += telnet_escape(value);
  out.push_back(static_cast<char>(kIac));
  out.push_back(static_cast<char>(kSe));
  return out;
}

std::string baud_value(std::uint32_t speed) {
  return std::string{static_cast<char>(speed >> 24), static_cast<char>(speed >> 16), static_cast<char>(speed >> 8),
                     static_cast<char>(speed)};
}

std::uint32_t baud_from_value(std::string_view value) {
  if (value.size() != 4) return 0;
  std::uint32_t speed = 0;
  for (char c : value) speed = (speed << 8) | static_cast<unsigned char>(c);
  return speed;
}

std::string TelnetComPortCodec::opening() {
  std::string out;
  for (unsigned char code : {kComPort, kBinary, kSuppressGoAhead}) {
    said_will_[code] = true;
    out += command_bytes(kWill, code);
  }
  for (unsigned char code : {kBinary, kSuppressGoAhead}) {
    said_do_[code] = true;
    out += command_bytes(kDo, code);
  }
  return out;
}

void TelnetComPortCodec::request(unsigned char code, bool wanted, bool* said_yes, bool* said_no,
                                 unsigned char yes, unsigned char no, std::string& reply) {
  if (wanted) {
    if (!said_yes[code]) reply += command_bytes(yes, code);
    said_yes[code] = true;
  } else if (!said_no[code]) {
    reply += command_bytes(no, code);
    said_no[code] = true;
  }
}

void TelnetComPortCodec::refusal(unsigned char code, bool* said_yes, unsigned char no, std::string& reply) {
  // Only an option that was on (or asked for) is answered: one already off stays quiet.
  if (said_yes[code]) reply += command_bytes(no, code);
  said_yes[code] = false;
}

void TelnetComPortCodec::option(unsigned char verb, unsigned char code, std::string& reply) {
  switch (verb) {
    case kDo:
      if (code == kComPort) com_port_accepted_ = true;
      request(code, wanted_here(code), said_will_, said_wont_, kWill, kWont, reply);
      break;
    case kDont:
      if (code == kComPort) com_port_refused_ = true;
      refusal(code, said_will_, kWont, reply);
      break;
    case kWill:
      // A gateway's echo would send every byte of ours back as if the board had said it.
      request(code, wanted_there(code), said_do_, said_dont_, kDo, kDont, reply);
      break;
    case kWont:
      refusal(code, said_do_, kDont, reply);
      break;
    default:
      break;
  }
}

void TelnetComPortCodec::end_subnegotiation(std::vector<ComPortAnswer>& answers) {
  if (sub_.size() >= 2 && static_cast<unsigned char>(sub_[0]) == kComPort) {
    const auto code = static_cast<unsigned char>(sub_[1]);
    if (code > kComPortAnswerOffset)
      answers.push_back({static_cast<ComPortCommand>(code - kComPortAnswerOffset), sub_.substr(2)});
  }
  sub_.clear();
}

void TelnetComPortCodec::feed(std::string_view bytes, std::string& data, std::vector<ComPortAnswer>& answers,
                              std::string& reply) {
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (state_) {
      case State::data:
        if (c == kIac)
          state_ = State::iac;
        else
          data.push_back(ch);
        break;
      case State::iac:
        if (c == kIac) {
          data.push_back(ch);
          state_ = State::data;
        } else if (c == kWill || c == kWont || c == kDo || c == kDont) {
          verb_ = c;
          state_ = State::option;
        } else if (c == kSb) {
          sub_.clear();
          state_ = State::sub;
        } else {
          state_ = State::data;  // NOP, GA, a stray SE and the like carry nothing for us
        }
        break;
      case State::option:
        option(verb_, c, reply);
        state_ = State::data;
        break;
      case State::sub:
        if (c == kIac)
          state_ = State::sub_iac;
        else if (sub_.size() < kLongestSubnegotiation)
          sub_.push_back(ch);
        break;
      case State::sub_iac:
        if (c == kSe) {
          end_subnegotiation(answers);
          state_ = State::data;
        } else {
          if (c == kIac && sub_.size() < kLongestSubnegotiation) sub_.push_back(ch);
          state_ = State::sub;
        }
        break;
    }
  }
}

}  // namespace vexa
