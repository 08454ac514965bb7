// What the program starts from: its name and folders from its path, and the settings file.
#include "base/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/identity.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::TempDir;

TEST(Identity, ProductNameFileNamesAndDirectoriesFromTheProgramPath) {
  EXPECT_EQ(product_name_from_command_line("abc"), "abc");  // 3 is the shortest taken
  EXPECT_EQ(product_name_from_command_line("ab.exe"), "VexaLog");
  EXPECT_EQ(product_name_from_command_line("abcdefghijklmnopqrs.exe"), "abcdefghijklmnopqrs");  // 19
  EXPECT_EQ(product_name_from_command_line("abcdefghijklmnopqrst"), "VexaLog");  // 20
  // Both kinds of separator, the last of each counting; the name is cut at its first dot.
  EXPECT_EQ(product_name_from_command_line("a\\b/c\\Meter.v2.exe"), "Meter");
  EXPECT_EQ(product_name_from_command_line("VEXATERM2.EXE"), "VexaLog");  // the family in any case
  // The file names follow the product name; the family keeps its own.
  Identity id = make_identity("C:\\Tools\\Acme.exe", "/home/u");
  EXPECT_EQ(id.log_path, "/home/u/Acme.log");  // the settings file's name is the start settings test's
  EXPECT_EQ(id.data_viewer_name, "AcmeData");
  EXPECT_EQ(id.analog_data_file_name, "acme.adc");
  Identity family = make_identity("/usr/bin/vexaterm", "/w");
  EXPECT_EQ(family.analog_data_file_name, "vexalog.adc");
  // The program directory is cut at the last separator or after a drive; the installation drops
  // a final term, then bin.
  EXPECT_EQ(program_directory("/opt/vexa/bin/vexaterm"), "/opt/vexa/bin");
  EXPECT_EQ(program_directory("C:\\Vexa\\term\\vexaterm.exe"), "C:/Vexa/term");
  EXPECT_EQ(program_directory("C:vexaterm.exe"), "C:");
  EXPECT_EQ(program_directory("vexaterm"), "vexaterm");
  EXPECT_EQ(installation_directory("/opt/vexa/bin/term/vexaterm"), "/opt/vexa");
  // Only the first occurrence counts: "/term" earlier in the path hides a final one.
  EXPECT_EQ(installation_directory("/term/x/term/vexaterm"), "/term/x/term");
  EXPECT_EQ(installation_directory("/opt/Bin/vexaterm"), "/opt/Bin");  // case-sensitive
}

TEST(Settings, LookupSetRulesFileRoundTripHostileFilesAndFailedWrites) {
  Settings s;
  EXPECT_EQ(s.get_setting("COM", "fallback"), "");  // empty value is returned as such
  EXPECT_EQ(s.get_setting("nosuch", "fallback"), "fallback");
  EXPECT_TRUE(s.set_setting("WindowWidth", "%d", 812));
  EXPECT_FALSE(s.set_setting("nosuch", "%d", 1));
  EXPECT_TRUE(s.set_setting("CompileCmd", "%s", std::string(1500, 'v').c_str()));
  EXPECT_EQ(s.get_setting("CompileCmd", "").size(), 499u);
  s.reset_settings();
  EXPECT_EQ(s.get_setting("WindowWidth", "?"), "");
  // A file round trip writes only changed values, in the table's order.
  TempDir dir;
  std::string path = dir.write("VexaTerm.ini",
                               "log=2\nunknown=5\nCOM=COM3\nlanguage=e\nBaud=9600\r\nCompileEnv9=A=B\n");
  ASSERT_TRUE(s.read_settings(path));  // the CR goes, a value is split at the first '='
  s.set_setting("Upload115200", "0");
  ASSERT_TRUE(s.write_settings(path));
  EXPECT_EQ(TempDir::read(path), "COM=COM3\nBaud=9600\nUpload115200=0\nCompileEnv9=A=B\nlog=2\n");
  // A value set back to its default disappears.
  s.set_setting("Upload115200", "1");
  s.set_setting("COM", "%s", "");
  s.write_settings(path);
  EXPECT_EQ(TempDir::read(path), "Baud=9600\nCompileEnv9=A=B\nlog=2\n");
  // Hostile files are read without harm; failed writes tell why.
  std::string overlong = "phone=" + std::string(2000, '7') + "\n";
  using namespace std::string_literals;
  std::string binary = "Baud=\x01\xff\x00zz\nno equals here\n=nameless\n\n"s;
  path = dir.write("a.ini", overlong + binary + "fontfix=mono");
  ASSERT_TRUE(s.read_settings(path));
  // The long line is taken in pieces of 499 characters; the value keeps at most 499.
  EXPECT_LE(s.get_setting("phone", "").size(), 499u);
  EXPECT_EQ(s.get_setting("phone", "").substr(0, 3), "777");
  EXPECT_EQ(s.get_setting("fontfix", ""), "mono");  // last line without LF
  EXPECT_EQ(s.get_setting("Baud", "").substr(0, 2), "\x01\xff");
  // Missing and unwritable files fail, with the reason for the exit report.
  s.set_setting("COM", "COM1");
  EXPECT_FALSE(s.read_settings(dir.file("none.ini")));
  EXPECT_EQ(s.get_setting("COM", "?"), "");  // reset to defaults anyway
  s.set_setting("COM", "COM1");
  EXPECT_EQ(s.save_settings(dir.file("no/such/dir/x.ini")), "No such file or directory");
  EXPECT_EQ(s.save_settings(dir.path()), "Is a directory");  // the rename over a folder fails
  EXPECT_EQ(s.save_settings(dir.file("ok.ini")), std::nullopt);
  EXPECT_EQ(TempDir::read(dir.file("ok.ini")), "COM=COM1\n");
  std::string existing = dir.write("keep.ini", "COM=COM9\n");
  ::chmod(dir.path().c_str(), 0500);
  if (::geteuid() != 0) {  // root may write anyway
    EXPECT_FALSE(s.write_settings(existing));
    EXPECT_EQ(TempDir::read(existing), "COM=COM9\n");
    EXPECT_EQ(s.save_settings(existing), "Permission denied");
  }
  ::chmod(dir.path().c_str(), 0700);
}

TEST(Settings, SessionValuesDebugLettersReducedVariantAndWindowSizeLimits) {
  TempDir dir;
  Settings s;
  s.read_settings(dir.write("a.ini", "language=f\nBaud=\nlog=1\nUpload115200=0\ntarget=Acme F v1202\n"));
  SessionValues v = SessionValues::from_settings(s);
  EXPECT_EQ(v.link_speed, 0);
  // An empty speed: the target decides, S boards are fast.
  EXPECT_EQ(default_speed_text(v.speed_text, 'S'), "115200");
  EXPECT_EQ(default_speed_text(v.speed_text, 'F'), "9600");
  EXPECT_EQ(default_speed_text("19200", 'S'), "19200");
  // Stored back, only what differs from the defaults is written.
  Settings fresh;
  SessionValues defaults;  // language e, upload on, log 0
  defaults.store_into(fresh);
  EXPECT_EQ(fresh.settings_text(), "log=0\n");  // "%d" of 0 differs from the empty default
  v.store_into(fresh);
  EXPECT_EQ(fresh.settings_text(), "language=f\ntarget=Acme F v1202\nUpload115200=0\nlog=1\n");
  // Debug letters, the reduced variant and the window size limits.
  s.set_setting("debug", "0");
  EXPECT_FALSE(s.debug());
  s.set_setting("debug", "ab");
  EXPECT_TRUE(s.debug());
  EXPECT_TRUE(s.debug('b'));
  EXPECT_FALSE(s.debug('c'));
  s.set_setting("armcdt", "0");
  EXPECT_FALSE(s.reduced_variant());
  s.set_setting("armcdt", "yes");
  EXPECT_TRUE(s.reduced_variant());
  const struct {
    const char *width, *height;
    int expected_width, expected_height;
  } rows[] = {{"", "", 700, 675}, {"200", "2001", 200, 675}, {"199", "2000", 700, 2000}};
  for (const auto& row : rows) {
    s.set_setting("WindowWidth", "%s", row.width);
    s.set_setting("WindowHeight", "%s", row.height);
    EXPECT_EQ(initial_window_width(s), row.expected_width) << row.width;
    EXPECT_EQ(initial_window_height(s), row.expected_height) << row.height;
  }
}

}  // namespace
}  // namespace vexa
