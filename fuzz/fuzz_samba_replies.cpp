// Replies of the SAM-BA boot monitor as a byte stream (with silences and a closed port among
// them): the prompt wait keeps its buffer limit and drops line ends, a command never goes out
// longer than its buffer, the byte hunt answers what came, and every wait ends.

#include "base/messages.h"
#include "download/samba_wire.h"
#include "fuzz/fuzz_support.h"
#include "support/scripted_port.h"

using vexa::fuzz::check;

namespace {

constexpr unsigned char kSilence = 0xF0;  // in the script: nothing came in time
constexpr unsigned char kClosed = 0xF1;   // the port went away

class ReplyScript final : public vexa::test::ScriptedPort {
 public:
  explicit ReplyScript(std::string_view script) {
    current_speed = 115200;
    queue(script);
  }
  bool write_bytes(std::string_view bytes) override {
    check(bytes.size() <= vexa::kCommandChars);
    return ScriptedPort::write_bytes(bytes);
  }
  int read_byte(int wait_ms) override {
    ++reads;
    const int c = ScriptedPort::read_byte(wait_ms);
    return c == kSilence ? vexa::kReadTimedOut : c == kClosed ? vexa::kReadPortClosed : c;
  }
  std::size_t reads = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vexa::Messages messages;
  vexa::fuzz::Bytes bytes(data, size);
  const unsigned char choice = bytes.take();
  const std::string_view script = bytes.rest();
  ReplyScript port(script);
  vexa::fuzz::Quiet report;  // and echo
  vexa::CountingClock clock;
  vexa::SambaWire wire(port, report, messages, clock, (choice & 1) != 0, &report);

  std::string reply;
  for (int round = 0; round < 4 && port.reads <= script.size(); ++round) {
    const std::size_t before = port.reads;
    const bool prompt = wire.wait_for_prompt(&reply, vexa::kStatusReplyChars, vexa::kCommandWaits, true);
    check(reply.size() < vexa::kStatusReplyChars);
    check(reply.find_first_of("\r\n>") == std::string::npos);
    // Each wait reads what is there and then at most its budget of waits more.
    if (!prompt) check(port.reads - before <= script.size() + 2 * vexa::kCommandWaits + 2);
    vexa::status_reply_ready(reply);
  }
  const int hunted = wire.hunt(choice, 5);
  check(hunted >= 0 && hunted <= 0xFF);
  wire.monitor_command(std::string(300, 'w'));
  const std::size_t writes = port.writes().size();
  wire.wait_flash_ready();
  check(port.writes().size() - writes <= vexa::kReadyPolls);
  check(port.reads <= script.size() + 30 * (2 * vexa::kCommandWaits + 2) + 5);
  return 0;
}
