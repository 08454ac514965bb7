// The vexaboard program's own vanish fault, against the configuration download of a desktop's
// link session: the line the board took with it ends the download, and once the board is back
// under its name the next download on the same session is taken whole.
#include <gtest/gtest.h>

#include <memory>

#include "base/text_format.h"
#include "faults/fault_rig.h"
#include "support/child_process.h"

namespace vexa::test {
namespace {

TEST(VexaboardVanish, TheConfigurationDownloadEndsAndTheNextOneIsTakenWhole) {
  std::unique_ptr<BackgroundProgram> board;
  // Replies: the configuration ("conf"), then one "Ok" per downloaded line; the fourth is the
  // last before the board goes.
  FaultRig rig({'E', 9600}, [&](const std::string& link) {
    board = std::make_unique<BackgroundProgram>(
        built_program("sim/vexaboard"),
        std::vector<std::string>{"--type", "E", "--pty", link, "--vanish-after-replies", "4", "--back-after", "300"});
    ASSERT_TRUE(wait_for_path(link));
  });
  const JobDriver& download = job_driver(Job::conf_download);
  // Loads the board's table (compared with the rig's own simulated board, not served: the same
  // factory standard), then changes sf and rx.
  download.prepare(rig);
  ASSERT_TRUE(download.start(rig, false));
  ASSERT_TRUE(rig.pump([&] { return download.ended(rig); }, download.guard_ms)) << rig.transcript();
  const std::string no_reply = format_message(rig.messages.message("MnoReply"), {1, kWaitTimeoutCode});
  // The board goes while an Ok is awaited, or just before the next line is written.
  EXPECT_TRUE(rig.reported(no_reply) || rig.reported(rig.messages.message("MerWrite"), true) ||
              rig.reported(rig.messages.message("MerNoOp")))
      << rig.transcript();

  ASSERT_TRUE(rig.link_back(5000)) << rig.transcript();
  EXPECT_EQ(rig.link_left_wrong(), "");
  rig.report.clear();
  ASSERT_TRUE(download.start(rig, true));
  ASSERT_TRUE(rig.pump([&] { return download.ended(rig); }, download.guard_ms)) << rig.transcript();
  EXPECT_FALSE(rig.reported(no_reply)) << rig.transcript();

  // What the board holds now, read back into a table that forgot it.
  rig.configuration.set_parameter("sf", "");
  rig.configuration.set_parameter("rx", "");
  rig.exchange.request_configuration();
  EXPECT_TRUE(rig.pump([&] { return rig.configuration.parameter_value("rx").value_or("") == "0"; }, 5000));
  EXPECT_EQ(rig.configuration.parameter_value("sf").value_or(""), "1");
  EXPECT_EQ(rig.link_left_wrong(), "");
}

}  // namespace
}  // namespace vexa::test
