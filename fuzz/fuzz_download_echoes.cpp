// What the board sends back during a memory-card copy and a page download, as a stream of
// arbitrary bytes: the first byte picks the job (and the loader row), then each write of the
// host is answered by the next piece of the input (a length byte, then that many bytes).
// Whatever comes back, the job ends, gives the link back as it found it (speed, reading,
// echo), sends only well-formed chunks in order, and closes a card file with the true totals.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

#include "download/card_transfer.h"
#include "download/loader_types.h"
#include "download/page_loader.h"
#include "download_fakes.h"
#include "fuzz/fuzz_support.h"

namespace {

using vexa::fuzz::check;

constexpr long kLinkSpeed = 9600;
constexpr std::size_t kCardFileBytes = 100;  // four chunks, the last one short
// Far more than any job may wait in all: the sum of its reply waits and pauses.
constexpr std::int64_t kLongestVirtualMs = 60LL * 60 * 1000;

// The board's answers: each write takes the next piece of the input.
void answer_from(vexa::test::FakePort& port, vexa::fuzz::Bytes& bytes) {
  port.respond = [&bytes](std::string_view) {
    const std::size_t length = bytes.take();
    const std::string_view rest = bytes.rest();
    std::string piece(rest.substr(0, length));
    for (std::size_t i = 0; i < piece.size(); ++i) bytes.take();
    return piece;
  };
}

const std::string& card_file_bytes() {
  static const std::string bytes = [] {
    std::string text;
    for (std::size_t i = 0; i < kCardFileBytes; ++i) text.push_back(static_cast<char>(i * 37 + 11));
    return text;
  }();
  return bytes;
}

const std::string& card_file() {
  static const vexa::fuzz::ScratchFile file("vexa_fuzz_card");
  static const bool written = [] {
    std::ofstream(file.path(), std::ios::binary) << card_file_bytes();
    return true;
  }();
  (void)written;
  return file.path();
}

void card_copy(vexa::fuzz::Bytes& bytes) {
  vexa::test::FakeRig rig;
  rig.port.current_speed = kLinkSpeed;
  // "fd NAME" and "fd !..." are waited for by the link's own reply wait: one input byte each.
  rig.port.send_ok = [&bytes](std::string_view) { return (bytes.take() & 1) != 0; };
  answer_from(rig.port, bytes);
  const vexa::CardTransferResult result = vexa::card_transfer(rig.context(), card_file(), "LOG.TXT");

  const std::string& file = card_file_bytes();
  std::size_t chunk = 0;
  int sends = 0;
  for (const std::string& write : rig.port.writes()) {
    check(write.rfind("fd +", 0) == 0 && write.back() == '\n');
    // Each chunk goes at most three times, and the chunks go in file order.
    const std::string_view body(write.data(), write.size() - 1);
    if (body != vexa::card_chunk_line(std::string_view(file).substr(chunk * vexa::kCardChunkBytes, vexa::kCardChunkBytes))) {
      ++chunk;
      sends = 0;
    }
    check(chunk * vexa::kCardChunkBytes < file.size());
    check(body == vexa::card_chunk_line(std::string_view(file).substr(chunk * vexa::kCardChunkBytes, vexa::kCardChunkBytes)));
    check(++sends <= vexa::kCardSendsPerChunk);
  }
  if (result.closed) {
    long sum = 0;
    for (char c : file) sum += static_cast<unsigned char>(c);
    check(result.bytes == static_cast<std::int32_t>(file.size()) && result.sum == sum);
    check(rig.port.commands.back() == "fd !" + std::to_string(result.bytes) + " " + std::to_string(result.sum));
  }
  check(result.opened || rig.port.writes().empty());
  check(rig.port.pauses() == 0 && !rig.port.echo_suppressed && rig.port.current_speed == kLinkSpeed);
  check(rig.clock.slept_ms < kLongestVirtualMs);
}

const vexa::HexImage& page_image() {
  static const vexa::HexImage image = [] {
    vexa::HexImage made;
    for (std::size_t i = 0; i < made.bytes.size(); ++i) made.bytes[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    made.data_count = static_cast<std::int32_t>(made.bytes.size());
    return made;
  }();
  return image;
}

void page_download(vexa::fuzz::Bytes& bytes, unsigned char choice) {
  const auto rows = vexa::loader_types();
  const vexa::LoaderType& row = rows[choice % (rows.size() - 1)];  // never the end row
  vexa::test::FakeRig rig;
  rig.port.current_speed = kLinkSpeed;
  rig.target.letter = row.letter;
  rig.target.line = std::string("VexaLog ") + row.letter + " v1404";
  answer_from(rig.port, bytes);
  const bool whole = vexa::hex_download(rig.context(), page_image(), row);

  // Pages go in order after "dl": a header of ':' and the address, then the page itself.
  check(!rig.port.writes().empty() && rig.port.writes().front() == "dl\n");
  std::uint32_t pages = 0;
  for (std::size_t i = 1; i < rig.port.writes().size(); ++i) {
    const std::string& write = rig.port.writes()[i];
    const bool header = (i % 2) == 1;
    if (header) {
      const unsigned address = pages * row.page_size;
      check(write.size() == 3 && write[0] == ':' && static_cast<unsigned char>(write[1]) == (address & 0xFF) &&
            static_cast<unsigned char>(write[2]) == ((address >> 8) & 0xFF));
    } else {
      check(write.size() == row.page_size);
      ++pages;
    }
  }
  check(pages <= row.page_count);
  if (whole) check(pages == row.page_count);
  check(rig.port.pauses() == 0 && !rig.port.echo_suppressed && rig.port.current_speed == kLinkSpeed);
  check(rig.clock.slept_ms < kLongestVirtualMs);
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
