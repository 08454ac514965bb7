// vexacli's download commands against vexaboard as separate programs: exit status, the
// flashed image and the card file, a lost card acknowledgement.
#include <gtest/gtest.h>


#include "download_fakes.h"
#include "support/board_and_cli.h"
#include "support/firmware_images.h"

namespace vexa {
namespace {

using test::has;
using test::TempDir;

class DownloadCommandsCli : public test::BoardAndCli {
 protected:
  DownloadCommandsCli() { globals = {"--baud", "9600"}; }
  void start_board(const std::string& type, std::vector<std::string> extra) {
    extra.insert(extra.begin(), {"--flash-out", dir.file("flash"), "--card", dir.path()});
    BoardAndCli::start_board(type, std::move(extra));
  }
};

TEST_F(DownloadCommandsCli, FirmwareAndCardFileSucceedAndFailuresSayWhy) {
  start_board("E", {"--loader", "Download E", "--card-lose-ack", "2"});
  const std::string image = test::image_with_identity(31744, 0x2345, 3);  // an 'E' image
  auto flashed = cli({"download", dir.write("e.hex", test::to_hex(image))});
  EXPECT_EQ(flashed.exit_code, 0) << flashed.out << flashed.err;
  EXPECT_TRUE(TempDir::read(dir.file("flash")) == image);

  const std::string bytes = test::random_bytes(5000, 1);
  // The second chunk's acknowledgement is lost once: its resend gets through, so the file is
  // there and the copy succeeded; the retry is only reported.
  auto put = cli({"card-put", dir.write("host.dat", bytes), "CARD.DAT"});
  EXPECT_EQ(put.exit_code, 0) << put.out << put.err;
  EXPECT_TRUE(has(put.out, "Download: 1 retries")) << put.out;
  EXPECT_TRUE(TempDir::read(dir.file("CARD.DAT")) == bytes);

  EXPECT_EQ(cli({"put-file", dir.file("none.dat"), "X.DAT"}).exit_code, 1);  // card-put's other name
  // An image of a size no loader takes: the code line stands alone, what to check follows on a
  // line of its own.
  const std::string odd = dir.write("odd.hex", ":0400000001020304F2\n");
  auto misfit = cli({"download", odd});
  EXPECT_EQ(misfit.exit_code, 1);
  EXPECT_TRUE(has(misfit.out, "\nError CRC 0602\nThe image fits no board loader: check that it was built for this "
                              "board type and for its loader version.\n")) << misfit.out;
  auto once = cli({"send-lines", "once"});
  EXPECT_EQ(once.exit_code, 0);
  EXPECT_TRUE(has(once.out, "1 lines x 100 = 100 chars written"));
}

TEST_F(DownloadCommandsCli, SambaFlashProgramsTheBoardAndTakesOnlyItsExtensions) {
  start_board("S", {});
  globals = {};
  const std::string image = test::random_bytes(1024, 91);
  const auto run = cli({"flash", dir.write("firmware.binb", image)});
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_TRUE(has(run.out, "1024(0x400) bytes, 4 pages written")) << run.out;
  EXPECT_TRUE(has(run.err, "init done")) << "progress on standard error";
  EXPECT_TRUE(test::eventually([&] { return TempDir::read(dir.file("flash")).substr(0, 1024) == image; }, 10000));
  // ".bin" only with --samba; any other extension meets the same refusal.
  EXPECT_EQ(cli({"flash", dir.write("firmware.bin", image)}).exit_code, 2);
  EXPECT_EQ(cli({"flash", dir.file("missing.binb")}).exit_code, 1);
}

}  // namespace
}  // namespace vexa
