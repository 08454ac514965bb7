// Catalog texts are formats, but they are data, and their arguments come from files, settings
// and the board: formatting takes every '%' it cannot match with an argument as plain text.
#include "base/text_format.h"

#include <gtest/gtest.h>


namespace vexa {
namespace {

TEST(FormatMessage, ConversionsTakeTheirArgumentsInOrder) {
  EXPECT_EQ(format_message("Compare %s: %d errors", {"a.txt", 3}), "Compare a.txt: 3 errors");
  EXPECT_EQ(format_message("Error no reply (%d/%d)", {1, 258}), "Error no reply (1/258)");
  EXPECT_EQ(format_message("%5.2f|%-4d|%04d|%x|%c|%%", {3.14159, 7, 42, 255, 'z'}),
            " 3.14|7   |0042|ff|z|%");
  EXPECT_EQ(format_message("%.*s|%*d", {2, "abcdef", 3, 5}), "ab|  5");
  EXPECT_EQ(format_message("%ld %lu %hd", {12L, 13UL, 14}), "12 13 14");
}

TEST(FormatMessage, TextFromOutsideNeverActsAsAFormat) {
  // A value carrying conversions is copied, not interpreted.
  EXPECT_EQ(format_message("%s %s", {"%s%n%d", "x"}), "%s%n%d x");
  // Conversions with no argument left, %n and %p, and a cut-off '%' stay as written.
  EXPECT_EQ(format_message("a %s b %d c", {}), "a %s b %d c");
  EXPECT_EQ(format_message("%n%p%", {1, 2}), "%n%p%");
  // An argument of another kind than the conversion wants is shown as what it is.
  EXPECT_EQ(format_message("%d and %s", {"seven", 8}), "seven and 8");
  EXPECT_EQ(format_message("%s", {2.5}), "2.5");
}

}  // namespace
}  // namespace vexa
