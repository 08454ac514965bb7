// Scaling expressions: parsing, printing per board class and firmware, the trimmed number
// printer, the type prefix match, and a round-trip property over random expressions.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analog/analog_expression.h"
#include "analog/trimmed_number.h"
#include "analog/type_prefix.h"

namespace vexa {
namespace {

const AnalogBoard kE{'E', 1404}, kF{'F', 1404}, kS{'S', 1404};

AnalogExpression parsed(std::string_view value, std::string_view name = {}) {
  return parse_analog_expression(value, name);
}

std::string printed(std::string_view value, const AnalogBoard& board, std::string_view mode = "a") {
  return print_analog_expression("a3", parsed(value), {mode, "Voltage"}, board).value;
}

TEST(AnalogParse, EveryFieldOfEachForm) {
  // One text fills the integer and the real form of the scaling.
  EXPECT_EQ(parsed("a*3.814685+0,2"), (AnalogExpression{.prefix = {'a', -1}, .scaling = {3, 0, 3.814685f, 0, 2}}));
  EXPECT_EQ(parsed("a*-2.5-300.75.1"),
            (AnalogExpression{.prefix = {'a', -1}, .scaling = {-2, -300, -2.5f, -300.75f, 1}}));
  EXPECT_EQ(parsed("k1*1+0,2<100>5000,n=Tank,m=mM"),
            (AnalogExpression{.prefix = {'k', 1}, .scaling = {1, 0, 1, 0, 2}, .low_alarm = 100, .high_alarm = 5000,
                              .digital_alarm = DigitalAlarm::on_zero, .name = "Tank", .store_mask = 6}));
  EXPECT_EQ(parsed("v,c=a0-a1,d=1,p=4,l=2,n=Diff", "Old name"),
            (AnalogExpression{.prefix = {'v', -1}, .name = "Diff", .diff = true, .pivot = 4, .lcd = 2,
                              .abc_expression = "a0-a1"}));
  EXPECT_EQ(parsed("a", "Old name").name, "Old name");
  EXPECT_EQ(parsed("a,m=x").store_mask, 1u);  // nothing known: average
  EXPECT_EQ(parsed("kx").prefix.subtype, 1000 + 'x');
}

TEST(AnalogParse, StopsAtTheFirstCharacterItDoesNotUnderstand) {
  // The "," after the offset is the decimals separator: the name option is lost.
  EXPECT_EQ(parsed("a*1+0,n=x"), parsed("a*1+0"));
  EXPECT_EQ(parsed("a*2+1,3#<5,n=late"), parsed("a*2+1,3"));
  EXPECT_EQ(parsed("a*2+1,3,z=1,n=late"), parsed("a*2+1,3"));
}

TEST(AnalogParse, GarbageAndExtremesAreHarmless) {
  for (std::string_view text : {"", "*", "a*", "a*nan+inf,99999", "a*1e300-1e300,300", "a<>,", "a,n=",
                                "a*99999999999999999999+0,2", "d<1e40>-1e40", "\xff\x80*3"}) {
    for (const AnalogBoard& board : {kS, kF}) (void)print_analog_expression("a1", parsed(text), {"a", "t"}, board);
  }
  EXPECT_EQ(parsed("a,n=" + std::string(500, 'N')).name.size(), kAnalogTextChars);
}

TEST(AnalogPrint, ScalingPrefixAndAlarmsPerClassAndFirmware) {
  EXPECT_EQ(printed("a*3.814685+0,2", kF), "a*3.81468511+0,2");
  EXPECT_EQ(printed("a*3.814685+0,2", kE), "a*3+0,2");
  EXPECT_EQ(printed("a*3.814685+0,2", kS), "a*3.8146851,2,l=0");
  EXPECT_EQ(printed("a*0.5-12.25,3", kS), "a*0.5-12.25,3,l=0");
  EXPECT_EQ(printed("a", kS), "a,l=0");
  EXPECT_EQ(printed("a*0+0,0", kE), "a");  // no multiplier: no scaling on the E class
  EXPECT_EQ(printed("a*0+5,0", kF), "a*1.00000000+5,0");  // zero multiplier written as 1
  // The chosen type gives the prefix.
  EXPECT_EQ(printed("a*2+0,1", kF, "k1"), "k1*2.00000000+0,1");
  EXPECT_EQ(printed("a*2+0,1", kF, ""), "-");
  auto line = print_analog_expression("a12", parsed("a"), {"p", "Pt100"}, kS);
  EXPECT_EQ(line.line, "a12=p,l=0");
  EXPECT_EQ(line.type_title, "Pt100");
  // Alarms only on F and S class boards from firmware 603.
  EXPECT_EQ(printed("a*1+0,0<10>20", AnalogBoard{'F', 603}), "a*1.00000000+0,0<10>20");
  EXPECT_EQ(printed("a*1+0,0<10>20", AnalogBoard{'F', 602}), "a*1.00000000+0,0");
  EXPECT_EQ(printed("a*1+0,0<10>20", kE), "a*1+0,0");
  EXPECT_EQ(printed("a<10>20", AnalogBoard{'S', 603}), "a<10>20,l=0");
  EXPECT_EQ(printed("d>1", kF, "d"), "d>1");
  EXPECT_EQ(printed("d<5>7", kF, "d"), "d<1");  // the low alarm wins for a digital input
}

TEST(AnalogPrint, SClassOptionsAndTheAbcFormula) {
  EXPECT_EQ(printed("a,n=Tank,d=1,p=3,l=1,m=amM", kS), "a,n=Tank,d=1,p=3,l=1,m=amM");
  EXPECT_EQ(printed("a,m=a,p=0", kS), "a,l=0");  // average only and no pivot write nothing
  EXPECT_EQ(printed("v*1+0,0,c=a0+a1", kF, "v"), "v*1.00000000+0,0,c=a0+a1");
  EXPECT_EQ(printed("v,c=a0+a1", kE, "v"), "v,c=a0+a1");
  EXPECT_EQ(printed("a,n=Tank", kF), "a");  // names belong to S class boards
}

TEST(TrimmedNumber, EightSignificantDigitsWithoutTrailingZeros) {
  auto trimmed = [](float v, TrimmedMode mode) {
    std::string out = "<";
    append_trimmed_number(out, v, mode);
    return out.substr(1);
  };
  EXPECT_EQ(trimmed(3.814685f, TrimmedMode::zero_as_digit), "3.8146851");
  EXPECT_EQ(trimmed(1e-6f, TrimmedMode::zero_as_digit), "0.000001");
  EXPECT_EQ(trimmed(12345678.9f, TrimmedMode::zero_as_digit), "12345679");
  // -0.0001234 as a float is -0.000123399994: the cut keeps eight digits of that.
  EXPECT_EQ(trimmed(-0.0001234f, TrimmedMode::signed_or_nothing), "-0.00012339999");
  EXPECT_EQ(trimmed(0.125f, TrimmedMode::signed_or_nothing), "+0.125");
  EXPECT_EQ(trimmed(0.0f, TrimmedMode::zero_as_nothing), "");
  EXPECT_EQ(trimmed(0.0f, TrimmedMode::signed_or_nothing), "");
  std::string out = "ab";
  EXPECT_EQ(append_trimmed_number(out, 12.0f, TrimmedMode::zero_as_nothing), 4u);
}

TEST(TypePrefix, MatchRules) {
  EXPECT_TRUE(match_type_prefix("k1*1+0,2<100", "k1"));
  EXPECT_FALSE(match_type_prefix("k1*1", "k"));
  EXPECT_FALSE(match_type_prefix("kx", "k"));
  EXPECT_TRUE(match_type_prefix("k0", "k"));  // no digits count as 0
  EXPECT_FALSE(match_type_prefix("", "a"));
}

// Random valid expressions per class: after one pass through parse and print, a second pass
// changes nothing on E and F class boards. The S class cuts numbers after eight significant
// digits without rounding, and the float read back from such a text may lie just below it, so
// there each further pass may drop the last digit by one unit until the text and its float
// agree: that takes a few passes and moves the number by a few float steps at the most.
TEST(AnalogRoundTrip, PrintOfParseIsStableAfterOnePass) {
  std::mt19937 random(1404);
  std::uniform_real_distribution<float> real(-5000, 5000);
  std::uniform_int_distribution<int> small(0, 9), count(-60000, 60000);
  const char* modes[] = {"a", "c", "k", "k1", "p", "v", "d", "-", "kx"};
  for (const AnalogBoard& board : {kE, kF, kS, AnalogBoard{'F', 500}, AnalogBoard{'S', 602}, AnalogBoard{'2', 900}}) {
    const int most_passes = board.board_class() == BoardClass::s ? 8 : 1;
    for (int i = 0; i < 2000; ++i) {
      const char* mode = modes[random() % std::size(modes)];
      std::string value = mode;
      if (random() % 4) value += "*" + std::to_string(real(random)) + (random() % 2 ? "+" : "") +
                                 std::to_string(count(random)) + "," + std::to_string(small(random));
      if (random() % 2) value += "<" + std::to_string(count(random));
      if (random() % 2) value += ">" + std::to_string(count(random));
      if (random() % 2) value += ",n=In" + std::to_string(i);
      if (random() % 3 == 0) value += ",d=1";
      if (random() % 3 == 0) value += ",p=" + std::to_string(small(random));
      if (random() % 2) value += ",m=" + std::string(random() % 2 ? "a" : "") + (random() % 2 ? "mM" : "M");
      if (random() % 3 == 0) value += ",c=a0*2";
      auto pass = [&](const std::string& text) { return print_analog_expression("a1", parsed(text), {mode, "t"}, board).value; };
      const std::string once = pass(value);
      const auto context = "from " + value + " on " + board.type_letter + std::to_string(board.firmware_version);
      std::string settled = once;
      int passes = 0;
      for (std::string next = pass(once); next != settled; next = pass(settled)) {
        settled = next;
        ASSERT_LT(++passes, most_passes) << context;
      }
      AnalogExpression first = parsed(once), last = parsed(settled);
      const AnalogScaling &a = first.scaling, &b = last.scaling;
      ASSERT_NEAR(a.real_multiplier, b.real_multiplier, std::fabs(a.real_multiplier) * 1e-6) << context;
      ASSERT_NEAR(a.real_offset, b.real_offset, std::fabs(a.real_offset) * 1e-6) << context;
      last.scaling.real_multiplier = a.real_multiplier;  // everything else is as it was
      last.scaling.real_offset = a.real_offset;
      ASSERT_EQ(first, last) << context;
    }
  }
}

}  // namespace
}  // namespace vexa
