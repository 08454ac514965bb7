#include "base/identity.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(ProductName, TakenFromProgramFileBaseName) {
  Identity id = make_identity("C:\\Tools\\Acme.exe", "/home/u");
  EXPECT_EQ(id.product_name, "Acme");
  EXPECT_EQ(id.short_name, "acme");
  EXPECT_EQ(id.settings_file_name, "Acme.ini");
  EXPECT_EQ(id.log_file_name, "Acme.log");
  EXPECT_EQ(id.data_viewer_name, "AcmeData");
  EXPECT_EQ(id.analog_data_file_name, "acme.adc");
  EXPECT_EQ(id.settings_path, "/home/u/Acme.ini");
  EXPECT_EQ(id.log_path, "/home/u/Acme.log");
  EXPECT_EQ(id.target_e, "Acme E v1404");
  EXPECT_EQ(id.target_f, "Acme F v1404");
  EXPECT_EQ(id.target_s, "Acme S v1404");
}

TEST(ProductName, FamilyNamesAndBadLengthsKeepVexaLog) {
  for (const char* cmd : {"VEXATERM2.EXE", "/usr/bin/vexaterm", "vExAx", "ab.exe",
                          "abcdefghijklmnopqrst.exe", "/opt/x/abcdefghijklmnopqrstuvw", ""}) {
    Identity id = make_identity(cmd, "/w");
    EXPECT_EQ(id.product_name, "VexaLog") << cmd;
    EXPECT_EQ(id.settings_file_name, "VexaTerm.ini") << cmd;
    EXPECT_EQ(id.log_file_name, "VexaTerm.log") << cmd;
    EXPECT_EQ(id.data_viewer_name, "VexaData") << cmd;
    EXPECT_EQ(id.analog_data_file_name, "vexalog.adc") << cmd;
    EXPECT_EQ(id.target_s, "VexaLog S v1404") << cmd;
  }
}

TEST(ProductName, LengthBoundaries) {
  EXPECT_EQ(product_name_from_command_line("abc"), "abc");  // 3 is the shortest taken
  EXPECT_EQ(product_name_from_command_line("abcdefghijklmnopqrs.exe"), "abcdefghijklmnopqrs");  // 19
  EXPECT_EQ(product_name_from_command_line("abcdefghijklmnopqrst"), "VexaLog");  // 20
  // Both kinds of separator, the last of each counting; the name is cut at its first dot.
  EXPECT_EQ(product_name_from_command_line("a\\b/c\\Meter.v2.exe"), "Meter");
  EXPECT_EQ(product_name_from_command_line("d:\\x/y\\Probe"), "Probe");
}

TEST(ProgramDirectory, CutsAtLastSeparatorOrAfterDrive) {
  EXPECT_EQ(program_directory("/opt/vexa/bin/vexaterm"), "/opt/vexa/bin");
  EXPECT_EQ(program_directory("C:\\Vexa\\term\\vexaterm.exe"), "C:/Vexa/term");
  EXPECT_EQ(program_directory("C:vexaterm.exe"), "C:");
  EXPECT_EQ(program_directory("vexaterm"), "vexaterm");
}

TEST(InstallationDirectory, DropsFinalTermThenBin) {
  EXPECT_EQ(installation_directory("/opt/vexa/term/vexaterm"), "/opt/vexa");
  EXPECT_EQ(installation_directory("/opt/vexa/bin/vexaterm"), "/opt/vexa");
  EXPECT_EQ(installation_directory("/opt/vexa/bin/term/vexaterm"), "/opt/vexa");
  EXPECT_EQ(installation_directory("/opt/terminal/vexaterm"), "/opt/terminal");
  // Only the first occurrence counts: "/term" earlier in the path hides a final one.
  EXPECT_EQ(installation_directory("/term/x/term/vexaterm"), "/term/x/term");
  EXPECT_EQ(installation_directory("/opt/Bin/vexaterm"), "/opt/Bin");  // case-sensitive
}

}  // namespace
}  // namespace vexa
