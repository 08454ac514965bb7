// vexacli's download commands against vexaboard as separate programs: exit status, the
// flashed image and the card file, the options of the simulated loader and card.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>

#include "base/text_format.h"
#include "sim/board_options.h"
#include "support/board_and_cli.h"

namespace vexa {
namespace {

using test::has;
using test::TempDir;

class DownloadCommandsCli : public test::BoardAndCli {
 protected:
  DownloadCommandsCli() { globals = {"--baud", "9600"}; }
  void start_board(std::vector<std::string> extra) {
    extra.insert(extra.begin(), {"--flash-out", dir.file("flash"), "--card", dir.path()});
    BoardAndCli::start_board("E", std::move(extra));
  }
  // A HEX file of an 'E' image (identity 0x2345): zeros but its first word.
  std::string e_hex() {
    std::string hex;
    for (int a = 0; a < 31744; a += 16)
      hex += format_text(":10%04X00%s00\n", a, a == 0 ? "45230000000000000000000000000000" : "00000000000000000000000000000000");
    return dir.write("e.hex", hex);
  }
};

TEST_F(DownloadCommandsCli, FirmwareAndCardFileSucceedAndFailuresSayWhy) {
  start_board({"--loader", "Download E", "--card-lose-ack", "2"});
  auto flashed = cli({"download", e_hex()});
  EXPECT_EQ(flashed.exit_code, 0) << flashed.out << flashed.err;
  EXPECT_TRUE(has(flashed.out, "31744(0x7c00) bytes, 248 pages written")) << flashed.out;
  std::string image = TempDir::read(dir.file("flash"));
  ASSERT_EQ(image.size(), 31744u);
  EXPECT_EQ(image.substr(0, 2), "\x45\x23");

  std::string bytes(5000, '\0');
  std::mt19937 random(1);
  for (char& c : bytes) c = static_cast<char>(random());
  // The second chunk's acknowledgement is lost once: its resend gets through, so the file is
  // there and the copy succeeded; the retry is only reported.
  auto put = cli({"card-put", dir.write("host.dat", bytes), "CARD.DAT"});
  EXPECT_EQ(put.exit_code, 0) << put.out << put.err;
  EXPECT_TRUE(has(put.out, "Download: 1 retries")) << put.out;
  EXPECT_TRUE(TempDir::read(dir.file("CARD.DAT")) == bytes);

  auto missing = cli({"download", dir.file("none.hex")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_TRUE(has(missing.out, "Error open " + dir.file("none.hex")));
  // An image of a size no loader takes: the code line stands alone, what to check follows on a
  // line of its own, in the user's language, and the board is left alone.
  std::remove(dir.file("flash").c_str());
  const std::string odd = dir.write("odd.hex", ":0400000001020304F2\n");
  auto misfit = cli({"download", odd});
  EXPECT_EQ(misfit.exit_code, 1);
  EXPECT_TRUE(has(misfit.out, "\nError CRC 0602\nThe image fits no board loader: check that it was built for this "
                              "board type and for its loader version.\n")) << misfit.out;
  auto french = cli({"--lang", "f", "download", odd});
  EXPECT_TRUE(has(french.out, "\nErreur CRC 0602\nL'image ne convient à aucun chargeur de carte")) << french.out;
  EXPECT_FALSE(TempDir::exists(dir.file("flash")));
  EXPECT_EQ(cli({"send-lines", "sometimes"}).exit_code, 2);
  auto once = cli({"send-lines", "once"});
  EXPECT_EQ(once.exit_code, 0);
  EXPECT_TRUE(has(once.out, "1 lines x 100 = 100 chars written"));
}

TEST_F(DownloadCommandsCli, WrongEchoAndAStalledCardEndWithStatusOne) {
  start_board({"--wrong-echo-page", "5", "--card-stall-from", "1"});
  auto put = cli({"put-file", dir.write("one.dat", "x"), "ONE.DAT"});  // the other name of card-put
  EXPECT_EQ(put.exit_code, 1);
  EXPECT_TRUE(has(put.out, "Download: 3 retries")) << put.out;
  // Last: a loader that gave up stays in its loader.
  auto flashed = cli({"download", e_hex()});
  EXPECT_EQ(flashed.exit_code, 1);
  EXPECT_TRUE(has(flashed.out, "768(0x300) bytes, 5 pages written")) << flashed.out;
}

TEST_F(DownloadCommandsCli, ABoardThatVanishesEndsTheDownloadWithoutAHang) {
  start_board({"--vanish-after-pages", "7"});
  auto flashed = cli({"download", e_hex()});
  EXPECT_EQ(flashed.exit_code, 1);
  EXPECT_TRUE(has(flashed.out, " pages written")) << flashed.out;
  EXPECT_FALSE(has(flashed.out, "248 pages written")) << flashed.out;
  EXPECT_FALSE(TempDir::exists(link));  // the device name went with the board
  board->stop();

  start_board({"--vanish-after-chunks", "3"});
  auto put = cli({"card-put", dir.write("five.dat", std::string(27 * 5, 'v')), "FIVE.DAT"});
  EXPECT_EQ(put.exit_code, 1) << put.out;
  EXPECT_LT(TempDir::read(dir.file("FIVE.DAT")).size(), 27u * 5);
}

TEST(BoardDownloadOptions, ReadAndRefused) {
  auto parsed = sim::parse_board_options({"--type", "E", "--pty", "/tmp/x", "--loader", "Download S7",
                                          "--loader-format=bin", "--card", "/tmp/c", "--card-upper",
                                          "--no-banner", "--script-crlf", "--wrong-echo-page", "3"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const auto& d = parsed.options->download;
  EXPECT_EQ(d.loader.row, 4);
  EXPECT_TRUE(d.loader.bin_frames);
  EXPECT_FALSE(d.loader.banner);
  EXPECT_TRUE(d.loader.script_crlf);
  EXPECT_EQ(d.loader.wrong_echo_page, 3);
  EXPECT_EQ(d.card.folder, "/tmp/c");
  EXPECT_TRUE(d.card.upper_ack);
  EXPECT_EQ(sim::parse_board_options({"--type", "E", "--pty", "/x", "--loader", "2"}).options->download.loader.row, 1);
  for (auto bad : std::vector<std::vector<std::string>>{{"--loader", "Download sam256"},
                                                        {"--loader-format", "srec"},
                                                        {"--card-upper=1"},
                                                        {"--wrong-echo-page", "-1"}}) {
    std::vector<std::string> args = {"--type", "E", "--pty", "/x"};
    args.insert(args.end(), bad.begin(), bad.end());
    auto result = sim::parse_board_options(args);
    EXPECT_FALSE(result.options) << bad[0];
    EXPECT_FALSE(result.error.empty());
  }
}

}  // namespace
}  // namespace vexa
