#include "base/capture_log.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "base/messages.h"
#include "support/temp_dir.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

using test::TempDir;

struct LogFixture : ::testing::Test {
  TempDir dir;
  FixedClock clock{make_local_time(2026, 12, 4, 6, 19, 0)};
  CaptureLog log{dir.file("VexaTerm.log"), clock};
  std::string contents() { return TempDir::read(log.path()); }
  void switch_to(int mode) {
    log.set_mode(mode);
    log.apply_log_mode();
  }
};

// Plain mode tags a run of records once (the terminal's log test shows it for printed lines);
// dated mode stamps line starts only.
TEST_F(LogFixture, PlainModeFoldsCrLfAndADatedSwitchStampsFromTheNextLineStartWithMonthAndCentury) {
  switch_to(1);
  log.log_record('>', "a");
  log.log_record('>', "\r");
  log.log_record('>', "\n");  // folded into the CR
  log.log_record('>', "b");
  switch_to(2);
  log.log_record('>', "c\n");
  log.log_record(' ', "open COM3:9600,n,8,1\n");
  clock.set_local(make_local_time(2026, 12, 4, 6, 19, 1));
  log.log_record(' ', "conf\n");
  log.log_record('<', "Ok\n");
  log.log_record('>', "x");  // a typed character: the next record stays on its line
  log.log_record('>', "y");
  log.log_record('<', "");   // an empty record still carries its tag
  EXPECT_EQ(contents(),
            ">a\nbc\n"
            "04Dec2026 06:19:00  open COM3:9600,n,8,1\n"
            "04Dec2026 06:19:01 conf\n"  // same tag as the record before: not repeated
            "04Dec2026 06:19:01 <Ok\n"
            "04Dec2026 06:19:01 >xy<");
  EXPECT_EQ(log_stamp(make_local_time(2031, 5, 17, 23, 5, 9)), "17Mai2031 23:05:09");
  EXPECT_EQ(log_stamp(make_local_time(1999, 1, 1, 0, 0, 0)), "01Jan2099 00:00:00");
}

TEST_F(LogFixture, OffModeCloseEraseTheRecordLimitAndAFileThatCannotBeOpened) {
  log.log_record('>', "lost\n");
  EXPECT_FALSE(TempDir::exists(log.path()));
  switch_to(1);
  log.log_record('<', std::string(5000, 'z'));
  EXPECT_EQ(contents().size(), 2000u);  // tag + 1999
  log.erase();  // erase with logging on starts a new empty file
  log.log_record(' ', "kept\n");
  log.close();  // closing the port closes the log
  log.log_record(' ', "dropped\n");
  EXPECT_EQ(contents(), " kept\n");
  switch_to(0);
  log.erase();  // mode 0: deleted, none left
  EXPECT_FALSE(TempDir::exists(log.path()));
  // A file that cannot be opened is ignored, but tells why.
  CaptureLog unopenable("/nonexistent-dir/x/VexaTerm.log");
  unopenable.set_mode(2);
  EXPECT_EQ(unopenable.apply_log_mode(), ENOENT);
  EXPECT_FALSE(unopenable.is_open());
  unopenable.log_record('>', "nothing happens\n");
  EXPECT_EQ(unopenable.open_failure(Messages("VexaLog", 'e')),
            "Capture log /nonexistent-dir/x/VexaTerm.log cannot be opened: No such file or directory");
  unopenable.set_mode(0);
  EXPECT_EQ(unopenable.apply_log_mode(), 0);  // off: nothing to open, nothing to tell
  EXPECT_EQ(unopenable.open_failure(Messages("VexaLog", 'e')), "");
}

}  // namespace
}  // namespace vexa
