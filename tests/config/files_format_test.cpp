// File names, header, file pieces and number normalisation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_file_format.h"
#include "config/number_normalize.h"
#include "platform/clock.h"

namespace vexa {
namespace {

TEST(FilesNormalize, RewritesNumbersAndKeepsTheRest) {
  EXPECT_EQ(normalize_numbers("9600"), "9600.000000");
  EXPECT_EQ(normalize_numbers("-1.5"), "-1.500000");
  EXPECT_EQ(normalize_numbers("0,2"), "0.000000,2.000000");
  EXPECT_EQ(normalize_numbers(".5"), ".5.000000");
  EXPECT_EQ(normalize_numbers("a*2+0"), "a*2.000000+0.000000");
  EXPECT_EQ(normalize_numbers("1e3x"), "1000.000000x");
  EXPECT_EQ(normalize_numbers("1e+x"), "1.000000e+x");  // no exponent digits: not an exponent
  EXPECT_EQ(normalize_numbers("0x1A"), "0.000000x1.000000A");
  EXPECT_EQ(normalize_numbers(""), "");
}

TEST(FilesNormalize, EqualAndUnequalForms) {
  EXPECT_EQ(normalize_numbers("9600"), normalize_numbers("9600.0"));
  EXPECT_EQ(normalize_numbers("a*3.814685+0,2"), normalize_numbers("a*3.8146850+0,2"));
  EXPECT_EQ(normalize_numbers("a*2+0"), normalize_numbers("a*2.000+0"));
  EXPECT_NE(normalize_numbers("a*2+0"), normalize_numbers("a*2+1"));
  EXPECT_NE(normalize_numbers("2"), normalize_numbers("2.000001"));
  EXPECT_NE(normalize_numbers("Ab"), normalize_numbers("ab"));
}

TEST(FilesNormalize, HugeNumbersAndLimits) {
  EXPECT_EQ(normalize_numbers("1e999"), "inf");
  EXPECT_EQ(normalize_numbers("1e-999"), "0.000000");
  std::string big = "1" + std::string(300, '0');
  EXPECT_EQ(normalize_numbers(big, 2000).size(), 301u + 7u);
  // The output holds at most size - 2 characters, even when a number ends past it.
  EXPECT_EQ(normalize_numbers(std::string(50, 'x'), 10), std::string(8, 'x'));
  EXPECT_EQ(normalize_numbers("xxxxx12345", 10), "xxxxx123");
  std::string many;
  for (int i = 0; i < 600; ++i) many += "1,";
  EXPECT_EQ(normalize_numbers(many).size(), kNormalizedChars - 2);
}

TEST(FilesNames, LowerCaseTxtRuleAndFileName) {
  EXPECT_EQ(save_path(dialog_path("C:\\Cfg\\Board1")), "c:\\cfg\\board1.txt");
  EXPECT_EQ(save_path(dialog_path("x.cfg")), "x.cfg");
  EXPECT_EQ(save_path("/tmp/dir.d/board"), "/tmp/dir.d/board");  // any '.' in the path counts
  EXPECT_EQ(dialog_path(std::string(400, 'A')), std::string(kFileDialogChars, 'a'));
  EXPECT_EQ(file_name_part("c:\\cfg\\board1.txt"), "board1.txt");
  EXPECT_EQ(file_name_part("/home/u/b.txt"), "b.txt");
  EXPECT_EQ(file_name_part("plain"), "plain");
}

TEST(FilesHeader, IdentityAndStamp) {
  EXPECT_EQ(configuration_header("VexaLog S v1404", make_local_time(2026, 12, 4, 6, 19, 0)),
            "# Configuration VexaLog S v1404 04Dec2026 06:19:00");
}

std::vector<std::string> pieces(std::string_view text) {
  std::vector<std::string> out;
  for_each_file_piece(text, [&](std::string_view p) { out.emplace_back(p); });
  return out;
}

TEST(FilesPieces, LinesLongLinesAndNul) {
  EXPECT_EQ(pieces("a=1\r\nb=2\nc=3"), (std::vector<std::string>{"a=1\r\n", "b=2\n", "c=3"}));
  EXPECT_TRUE(pieces("").empty());
  std::string longline = std::string(600, 'z') + "\n";
  auto p = pieces(longline);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].size(), kFilePieceChars);
  EXPECT_EQ(p[1].size(), 600 - kFilePieceChars + 1);
  std::string binary("bd=1\0sf=2\nrx=1\n", 15);
  EXPECT_EQ(pieces(binary), (std::vector<std::string>{"bd=1", "rx=1\n"}));
}

}  // namespace
}  // namespace vexa
