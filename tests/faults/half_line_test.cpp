// A board that vanishes in the middle of a line: its half line must not become the start of the
// first line the board sends when it is back (the identity line would be lost, and an upload
// would store a line made of two).
#include <gtest/gtest.h>

#include "faults/fault_rig.h"

namespace vexa::test {
namespace {

TEST(HalfLineBeforeAVanish, IsNotGluedToTheFirstLineAfterTheBoardCameBack) {
  FaultRig rig({'E', 9600});
  RecordingConsumer lines;
  rig.exchange_lines.reset();
  LineRegistration heard = rig.session.consumers().add(line_place::configuration, lines);
  sim::FaultOptions paced;
  paced.pace = true;
  rig.server.set_faults(paced);
  rig.session.send_line("conf");
  // The identity line came, and part of the next one.
  ASSERT_TRUE(lines.wait_count(1));
  ASSERT_TRUE(eventually([&] {
    const std::string text = rig.echo.text();
    const std::size_t end = text.rfind('\n');
    return end != std::string::npos && text.size() > end + 3 && text.back() != '\r';
  }));
  rig.server.vanish_for(200);
  ASSERT_TRUE(rig.pump([&] { return !rig.session.port().link_is_open(); }, 5000));
  const std::size_t before = lines.lines().size();
  ASSERT_TRUE(rig.link_back(5000));
  rig.session.send_line("conf");
  ASSERT_TRUE(lines.wait_count(before + 1));
  EXPECT_EQ(lines.lines()[before], "VexaLog E v1404") << testing::PrintToString(lines.lines());
  rig.session.stop();  // before the recording consumer goes
}

}  // namespace
}  // namespace vexa::test
