// The page loader, the line script and the firmware dispatcher over a scripted link whose
// answers come from the simulated board's loader engine (outcomes, texts, link restoration);
// HEX reading: the digit rule, wrapping, overlapping records, the identity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "download/firmware_download.h"
#include "download/hex_image.h"
#include "download/loader_types.h"
#include "download/page_loader.h"
#include "download_fakes.h"
#include "sim/simulated_board.h"
#include "support/firmware_images.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::FakeRig;

HexImage random_image(std::size_t size, unsigned seed) {
  HexImage image;
  const std::string bytes = test::random_bytes(size, seed);
  std::copy(bytes.begin(), bytes.end(), image.bytes.begin());
  image.data_count = static_cast<std::int32_t>(size);
  return image;
}

struct LoaderRig : FakeRig {
  sim::SimulatedBoard board{sim::BoardKind{'E', 1404, "VexaLog"}};
  explicit LoaderRig(sim::LoaderOptions options = {}) {
    board.download_side().configure({options, {}});
    port.respond = [this](std::string_view bytes) { return board.feed_text(bytes); };
    target.letter = 'E';
    target.line = "VexaLog E v1404";
  }
  const std::vector<std::uint8_t>& flash() { return board.download_side().loader().flash(); }
  // The firmware dispatcher on a file of this name and content.
  bool download(const std::string& name, const std::string& content, const FirmwareHooks& hooks) {
    selection.choose(dir.write(name, content), name);
    DownloadContext with_pages = context();
    with_pages.pages = pages;
    return firmware_download(with_pages, selection, hooks);
  }
  test::TempDir dir;
  FirmwareSelection selection;
  std::function<void(int, int)> pages;
};

// "Download" at 9600 quiet, "Download E" at 115200 verbose: the slow start's first nine points
// are paused in the one and traced (without pauses) in the other.
TEST(HexDownload, WholeImageAtTheBannersSpeedTheSlowStartAndTheLinkGivenBack) {
  for (int row : {1, 2}) {
    SCOPED_TRACE(row);
    sim::LoaderOptions options;
    options.row = row;
    LoaderRig rig(options);
    HexImage image = random_image(31744, static_cast<unsigned>(row));
    // The first two pages start alike, so their traces are known.
    const std::uint8_t traced[] = {0xA1, 0x0B, 0xC3, 0x4D};
    std::copy(std::begin(traced), std::end(traced), image.bytes.begin());
    std::copy(std::begin(traced), std::end(traced), image.bytes.begin() + 128);
    auto context = rig.context();
    context.verbose = row == 2;
    int last_done = 0, last_total = 0;
    context.pages = [&](int done, int total) {
      EXPECT_EQ(done, last_done + 1);
      last_done = done;
      last_total = total;
    };
    EXPECT_TRUE(hex_download(context, image, find_loader_type(0x2345)));
    EXPECT_EQ(last_done, 248);
    EXPECT_EQ(last_total, 248);
    EXPECT_TRUE(std::equal(image.bytes.begin(), image.bytes.begin() + 31744, rig.flash().begin()));
    EXPECT_EQ(rig.port.speeds(), (std::vector<long>{row == 1 ? 9600 : 115200, 9600}));
    EXPECT_EQ(rig.status.last_progress(), "31744");
    if (!context.verbose) {
      // 500 ms before the banner read, 500 before the speed change, nine slow-start pauses.
      EXPECT_EQ(rig.clock.slept_ms, 500 + 500 + 9 * 100);
      continue;
    }
    EXPECT_EQ(rig.clock.slept_ms, 1000);
    // Nine traced points, then only the summary.
    const auto lines = rig.report.lines();
    EXPECT_EQ(std::vector<std::string>(std::find(lines.begin(), lines.end(), "sleep 500 ms"), lines.end()),
              (std::vector<std::string>{"sleep 500 ms", "send : 00 00", "got : 00", "send a1 0b c3 4d..", "got : a1",
                                        "send : 80 00", "got : 00", "send a1 0b c3 4d..", "got : a1",
                                        "31744(0x7c00) bytes, 248 pages written"}));
  }
}

// Every way a page download ends early: its lines, the summary of what went out, and the link
// back at 9600 when its speed was changed at all.
TEST(HexDownload, EveryEarlyEndSaysWhyAndHowFarItGot) {
  HexImage image = random_image(31744, 3);
  image.bytes[640] = 0x12;  // page five's first byte, which the board echoes wrong (^ 0x5A)
  using Board = std::function<std::string(std::string_view)>;
  using Respond = std::function<std::string(LoaderRig&, const Board& board, std::string_view bytes)>;
  struct Row {
    const char* note;
    sim::LoaderOptions options;
    char board_letter;
    Respond respond;  // what the host gets instead of the loader's answer
    std::vector<std::string> lines;
    bool speed_changed;
  };
  sim::LoaderOptions f_loader, wrong_page;
  f_loader.row = 3;
  wrong_page.wrong_echo_page = 5;
  const std::vector<Row> rows{
      {"the banner names an 'F' loader while the image is for 'E' and the board type is unknown", f_loader, 0, {},
       {"Error: File is not for this board: VexaLog F download"}, false},
      {"a wrong echo on page five", wrong_page, 'E', {}, {"expected: 12 got: 48", "768(0x300) bytes, 5 pages written"}, true},
      // The stop is seen right after the tenth page's data went out, before its echo is read.
      {"stop during the tenth page", {}, 'E',
       [](LoaderRig& rig, const Board& board, std::string_view bytes) {
         std::string answer = board(bytes);
         if (rig.board.download_side().loader().pages_written() == 10) rig.control.stop = true;
         return answer;
       },
       {"1280(0x500) bytes, 9 pages written"}, true},
      {"garbage after the banner", {}, 'E',
       [writes = 0](LoaderRig&, const Board& board, std::string_view bytes) mutable {
         return ++writes == 1 ? board(bytes) : std::string("\x13\x37junk");
       },
       {"expected: 00 got: 13", "got junk : 37", "0(0x0) bytes, 0 pages written"}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    LoaderRig rig(row.options);
    rig.target.letter = row.board_letter;
    if (row.respond) {
      rig.port.respond = [&rig, respond = row.respond, board = rig.port.respond](std::string_view bytes) {
        return respond(rig, board, bytes);
      };
    }
    EXPECT_FALSE(hex_download(rig.context(), image, find_loader_type(0x2345)));
    for (const std::string& line : row.lines) EXPECT_TRUE(rig.report.contains(line)) << line;
    if (row.speed_changed) {
      EXPECT_EQ(rig.port.speeds().back(), 9600);
    } else {
      EXPECT_TRUE(rig.port.speeds().empty());
    }
    EXPECT_EQ(rig.port.pauses(), 0);
  }
}

TEST(BinDownload, TheWordSumPicksTheRowFramesGoAtItsSpeedAndGoFollowsAndNoBannerTriesDlTwice) {
  sim::LoaderOptions options;
  options.row = 3;  // "Download F"
  options.bin_frames = true;
  LoaderRig rig(options);
  rig.target.letter = 'F';
  std::string file = test::random_bytes(63488 - 100, 9);  // a short last frame is filled up
  // The first word makes the file's 32-bit word sum the 'F' row's identity.
  std::uint32_t sum = 0;
  for (std::size_t i = 4; i < file.size(); i += 4) {
    std::uint32_t word;
    std::memcpy(&word, file.data() + i, 4);
    sum += word;
  }
  const std::uint32_t first_word = 0x3456u - sum;
  std::memcpy(file.data(), &first_word, 4);
  int done = 0, total = 0;
  rig.pages = [&](int d, int t) { done = d, total = t; };
  EXPECT_TRUE(rig.download("f.bin", file, {}));
  EXPECT_TRUE(rig.report.contains("63388 [0xf79c] bytes crc= 0x3456"));
  EXPECT_EQ(done, 248);
  EXPECT_EQ(total, 248);
  EXPECT_TRUE(std::equal(file.begin(), file.end(), rig.flash().begin(),
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
  EXPECT_EQ(rig.flash()[63488 - 1], 0xFF);
  EXPECT_EQ(rig.port.writes().back(), "go\n");
  EXPECT_TRUE(rig.report.contains("63488(0xf800) bytes, 248 pages written"));
  EXPECT_EQ(rig.port.speeds(), (std::vector<long>{115200, 9600}));

  sim::LoaderOptions no_banner;
  no_banner.banner = false;
  LoaderRig bin(no_banner);
  std::istringstream some(std::string(1024, 'x'));
  EXPECT_FALSE(bin_download(bin.context(), some, find_loader_type(0x2345)));
  EXPECT_EQ(bin.port.writes(), (std::vector<std::string>{"dl\n", "dl\n"}));
  EXPECT_TRUE(bin.report.contains("Error: Board not in download mode"));
  EXPECT_EQ(bin.clock.slept_ms, 2000);
}

struct Hooked {
  int beeps = 0, resets = 0, recent = 0, samba_calls = 0;
  bool samba_on = false, samba_seen_on = false;
  FirmwareHooks hooks() {
    FirmwareHooks h;
    h.end_beep = [this] { ++beeps; };
    h.factory_reset = [this] { ++resets; };
    h.recent_changed = [this] { ++recent; };
    h.samba_mode = [this] { return samba_on; };
    h.set_samba_mode = [this](bool on) { samba_on = on; };
    h.samba_download = [this](const DownloadContext&, std::istream&) {
      ++samba_calls;
      samba_seen_on = samba_on;
      return true;
    };
    return h;
  }
};

TEST(FirmwareDispatch, SambaExtensionsAndTheMode) {
  LoaderRig rig;
  Hooked hooked;
  FirmwareHooks hooks = hooked.hooks();
  // binb: the SAM-BA hook with the mode forced on, and off afterwards.
  EXPECT_TRUE(rig.download("fw.binb", "abcd", hooks));
  EXPECT_TRUE(hooked.samba_seen_on);
  EXPECT_FALSE(hooked.samba_on);
  // bin in SAM-BA mode goes to the hook, not to the page loader.
  hooked.samba_on = true;
  EXPECT_TRUE(rig.download("fw.bin", "abcd", hooks));
  EXPECT_EQ(hooked.samba_calls, 2);
  // Without a hook a clear line says so.
  hooks.samba_download = nullptr;
  EXPECT_FALSE(rig.download("fw.bin", "abcd", hooks));
  EXPECT_TRUE(rig.report.contains("The SAM-BA download is not available in this program"));
}

// A path without '.' is a line script.
TEST(LineScript, OkLfPassesAndOkCrLfUsesUpTheTenRetries) {
  for (bool crlf : {false, true}) {
    SCOPED_TRACE(crlf);
    sim::LoaderOptions options;
    options.script_crlf = crlf;
    LoaderRig rig(options);
    rig.board.feed_text("dl\n");
    const std::string script = crlf ? "one\ntwo\n" : "first line\r\nsecond\n" + std::string(150, 'z') + "\n";
    EXPECT_EQ(rig.download("script", script, {}), !crlf);
    EXPECT_EQ(rig.port.pauses(), 0);
    const auto lines = rig.report.lines();
    if (crlf) {
      EXPECT_EQ(rig.port.writes().size(), 10u);  // the first line, ten times
      EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
                (std::vector<std::string>{"Error no reply (5/0)", "10 retries"}));
      continue;
    }
    // The 150-character line is cut after 99 characters into two lines.
    ASSERT_EQ(rig.port.writes().size(), 4u);
    EXPECT_EQ(rig.port.writes()[0], "first line\n");
    EXPECT_EQ(rig.port.writes()[2], std::string(99, 'z') + "\n");
    EXPECT_EQ(lines.back(), "ok");
    EXPECT_EQ(rig.status.last_progress(), "4");
  }
}

// Each sends nothing, yet ends as every firmware download does: the beep, the reset, the recent
// list. The extension is upper case; a size no loader takes is download_cli_test's.
TEST(FirmwareDispatch, AnotherBoardsOrOverlongHexFilesSendNothing) {
  struct Row {
    const char* note;
    std::string content;
    std::vector<std::string> lines;
  };
  const std::vector<Row> rows{
      {"an 'E' image for an 'F' board is refused before dl",
       test::to_hex(test::image_with_identity(31744, 0x2345, 1)),
       {"31744 [0x7c00] bytes crc= 0x2345", "Error: File is not for this board: VexaLog F v1404"}},
      {"a record of 10000 characters is named and left out", ":FF000000" + std::string(10000, '1') + "\n",
       {"1 HEX records longer than 499 characters were left out", "0 [0x0] bytes crc= 0x0"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    LoaderRig rig;
    rig.target.letter = 'F';
    rig.target.line = "VexaLog F v1404";
    Hooked hooked;
    EXPECT_FALSE(rig.download("f.HEX", row.content, hooked.hooks()));
    for (const std::string& line : row.lines) EXPECT_TRUE(rig.report.contains(line)) << line;
    EXPECT_TRUE(rig.port.writes().empty());
    EXPECT_EQ(rig.status.last_progress(), "0");
    EXPECT_EQ(std::vector<int>({hooked.beeps, hooked.resets, hooked.recent}), std::vector<int>({1, 1, 1}));
  }
}

HexImage read_text(const std::string& text) {
  std::istringstream in(text);
  return read_hex_image(in);
}

TEST(HexImage, WrapOverlapIgnoredAndShortRecords) {
  // A record that runs past 0xFFFF goes on at 0; the second record for 0x0010 wins but both
  // count; other record types, zero counts and lines without ':' are left out.
  HexImage image = read_text(
      ":04FFFE00A1B2C3D400\n"
      ":020010001122ZZ\n"
      ":020010003344\r\n"
      "garbage line\n"
      ":0000000000\n"
      ":02000004FFFFFC\n"
      ":00000001FF\n");
  EXPECT_EQ(image.bytes[0xFFFF], 0xB2);
  EXPECT_EQ(image.bytes[0x0011], 0x44);
  EXPECT_EQ(image.data_count, 8);
  // The identity runs over offsets 0..count-1, wherever the data went: 0xD4C3 and three erased words.
  EXPECT_EQ(hex_identity(image), 0xD4C3 ^ 0xFFFF);
  // Digits are not validated: 'g' counts as 7 + 9.
  EXPECT_EQ(unchecked_hex_digit_value('g'), 16);

  image = read_text(":0200000012\n:01000200AB\n");
  EXPECT_EQ(image.short_records, 1);  // the first record's line holds one byte of two
  EXPECT_EQ(image.bytes[0], 0x12);
  EXPECT_EQ(image.bytes[2], 0xAB);
  EXPECT_EQ(image.data_count, 2);
}

}  // namespace
}  // namespace vexa
