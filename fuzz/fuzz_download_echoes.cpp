// What the board sends back during a memory-card copy and a page download: the first byte
// picks the job (and the loader row), then each write of the host is answered by the next piece
// of the input (a length byte, then that many bytes).
#include <fstream>
#include <numeric>

#include "download/card_transfer.h"
#include "download/loader_types.h"
#include "download/page_loader.h"
#include "download_fakes.h"
#include "fuzz/fuzz_support.h"

namespace {

using vexa::fuzz::check;

constexpr long kLinkSpeed = 9600;
// Far more than any job may wait in all: the sum of its reply waits and pauses.
constexpr std::int64_t kLongestVirtualMs = 60LL * 60 * 1000;

// A link at kLinkSpeed whose board answers each write with the next piece of the input.
struct Rig : vexa::test::FakeRig {
  explicit Rig(vexa::fuzz::Bytes& bytes) {
    port.current_speed = kLinkSpeed;
    port.respond = [&bytes](std::string_view) { return std::string(bytes.take(bytes.take())); };
  }
  // Whatever came back, the job ended within its waits and gave the link back as it found it
  // (speed, reading, echo).
  ~Rig() {
    check(port.pauses() == 0 && !port.echo_suppressed && port.current_speed == kLinkSpeed);
    check(clock.slept_ms < kLongestVirtualMs);
  }
};

void card_copy(vexa::fuzz::Bytes& bytes) {
  // A hundred bytes, four chunks with the last one short, each unlike the others.
  static const std::string text = [] {
    std::string made;
    for (std::size_t i = 0; i < 100; ++i) made.push_back(static_cast<char>(i * 37 + 11));
    return made;
  }();
  static const vexa::fuzz::ScratchFile file("vexa_fuzz_card");
  static const bool written = static_cast<bool>(std::ofstream(file.path, std::ios::binary) << text);
  check(written);
  Rig rig(bytes);
  // "fd NAME" and "fd !..." are waited for by the link's own reply wait: one input byte each.
  rig.port.send_ok = [&bytes](std::string_view) { return (bytes.take() & 1) != 0; };
  const vexa::CardTransferResult result = vexa::card_transfer(rig.context(), file.path, "LOG.TXT");

  // Each chunk goes at most three times, and the chunks go in file order.
  const auto chunk_line = [](std::size_t n) {
    return vexa::card_chunk_line(std::string_view(text).substr(n * vexa::kCardChunkBytes, vexa::kCardChunkBytes)) + "\n";
  };
  std::size_t chunk = 0;
  int sends = 0;
  for (const std::string& write : rig.port.writes()) {
    if (write != chunk_line(chunk)) {
      ++chunk;
      sends = 0;
    }
    // In this order: past the last chunk there is no line to compare with.
    check(chunk * vexa::kCardChunkBytes < text.size() && write == chunk_line(chunk) &&
          ++sends <= vexa::kCardSendsPerChunk);
  }
  if (result.closed) {
    const long sum = std::accumulate(text.begin(), text.end(), 0L, [](long s, char c) { return s + static_cast<unsigned char>(c); });
    check(result.bytes == static_cast<std::int32_t>(text.size()) && result.sum == sum);
    check(rig.port.commands.back() == "fd !" + std::to_string(result.bytes) + " " + std::to_string(result.sum));
  }
  check(result.opened || rig.port.writes().empty());
}

void page_download(vexa::fuzz::Bytes& bytes, unsigned char choice) {
  static const vexa::HexImage image = [] {
    vexa::HexImage made;
    for (std::size_t i = 0; i < made.bytes.size(); ++i) made.bytes[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    made.data_count = static_cast<std::int32_t>(made.bytes.size());
    return made;
  }();
  const auto rows = vexa::loader_types();
  const vexa::LoaderType& row = rows[choice % (rows.size() - 1)];  // never the end row
  Rig rig(bytes);
  rig.target.letter = row.letter;
  rig.target.line = std::string("VexaLog ") + row.letter + " v1404";
  const bool whole = vexa::hex_download(rig.context(), image, row);

  // Pages go in order after "dl": a header of ':' and the address, then the page itself.
  const std::vector<std::string>& writes = rig.port.writes();
  check(!writes.empty() && writes.front() == "dl\n");
  std::uint32_t pages = 0;
  for (std::size_t i = 1; i < writes.size(); ++i) {
    const unsigned address = pages * row.page_size;
    if (i % 2 == 1) {
      check(writes[i] == std::string{':', static_cast<char>(address & 0xFF), static_cast<char>((address >> 8) & 0xFF)});
    } else {
      check(writes[i] == std::string(image.bytes.begin() + address, image.bytes.begin() + address + row.page_size));
      ++pages;
    }
  }
  check(pages <= row.page_count);
  if (whole) check(pages == row.page_count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexa::fuzz::Bytes bytes(data, size);
  const unsigned char choice = bytes.take();
  if (choice & 0x80)
    page_download(bytes, choice);
  else
    card_copy(bytes);
  return 0;
}
