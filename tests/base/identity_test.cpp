#include "base/identity.h"

#include <gtest/gtest.h>


namespace vexa {
namespace {

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
  EXPECT_EQ(family.target_s, "VexaLog S v1404");
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

}  // namespace
}  // namespace vexa
