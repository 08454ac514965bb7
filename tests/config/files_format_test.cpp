// File names, header, file pieces and number normalisation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_file_format.h"
#include "config/number_normalize.h"

namespace vexa {
namespace {

// Numbers become "%f" texts, so that equal values compare equal whatever their form.
TEST(FilesNormalize, RewritesNumbersAndKeepsTheRest) {
  const struct {
    std::string input, expected, note;
  } rows[] = {
      {"9600", "9600.000000", "an integer"},
      {"-1.5", "-1.500000", "a sign and a fraction"},
      {"0,2", "0.000000,2.000000", "a list"},
      {".5", ".5.000000", "no leading digit: the dot stays text"},
      {"a*2+0", "a*2.000000+0.000000", "a formula: the '+' is no sign"},
      {"1e3x", "1000.000000x", "an exponent"},
      {"1e+x", "1.000000e+x", "no exponent digits: not an exponent"},
      {"0x1A", "0.000000x1.000000A", "no hexadecimal"},
      {"1e999", "inf", "too large"},
      {"1e-999", "0.000000", "too small"},
      {"", "", "nothing"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    EXPECT_EQ(normalize_numbers(row.input), row.expected);
  }
  // The output holds at most size - 2 characters, even when a number ends past it.
  EXPECT_EQ(normalize_numbers("1" + std::string(300, '0'), 2000).size(), 301u + 7u);
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
