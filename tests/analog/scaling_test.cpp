// Scaling expressions: parsing, printing per board class and firmware, trimmed numbers;
// conversions, calibration solving and the table export. print(parse(x)) staying stable over
// any text is the analog expression fuzz harness's.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <filesystem>

#include "analog/analog_conversions.h"
#include "analog/analog_expression.h"
#include "analog/calibration_export.h"
#include "analog/calibration_solver.h"
#include "analog/linearization.h"
#include "analog/propose_table.h"
#include "analog/trimmed_number.h"
#include "analog/type_prefix.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

const AnalogBoard kE{'E', 1404}, kF{'F', 1404}, kS{'S', 1404};

AnalogExpression parsed(std::string_view value, std::string_view name = {}) {
  return parse_analog_expression(value, name);
}

std::string printed(std::string_view value, const AnalogBoard& board, std::string_view mode = "a") {
  return print_analog_expression("a3", parsed(value), {mode, "Voltage"}, board).value;
}

TEST(AnalogParse, EveryFieldOfEachFormUpToTheFirstMisfit) {
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
  // Parsing stops at the first character it does not understand, or at an unknown option.
  EXPECT_EQ(parsed("a*2+1,3#<5,n=late"), parsed("a*2+1,3"));
  EXPECT_EQ(parsed("a*2+1,3,z=1,n=late"), parsed("a*2+1,3"));
  EXPECT_EQ(parsed("a,n=" + std::string(500, 'N')).name.size(), kAnalogTextChars);
  // Numbers beyond a float or an int are clamped, not wrapped.
  EXPECT_EQ(parsed("a*1e300-1e300").scaling, (AnalogScaling{1, -1, FLT_MAX, -FLT_MAX, 0}));
  EXPECT_EQ(parsed("d<1e40>-1e40"), (AnalogExpression{.prefix = {'d', -1}, .low_alarm = INT_MAX, .high_alarm = INT_MIN,
                                                       .digital_alarm = DigitalAlarm::on_zero}));
}

// The scaling in the form of the board class, the prefix of the chosen type, alarms on F and S
// class boards from firmware 603 and the S class options.
TEST(AnalogPrint, EachClassAndFirmwareWritesItsOwnForm) {
  const AnalogBoard f603{'F', 603}, f602{'F', 602}, s603{'S', 603};
  struct Case {
    std::string_view value;
    AnalogBoard board;
    std::string_view mode, expected;
  };
  for (const Case& c : {Case{"a*3.814685+0,2", kF, "a", "a*3.81468511+0,2"},
                        {"a*3.814685+0,2<10>20", kE, "a", "a*3+0,2"},  // no alarms on the E class
                        {"a*3.814685+0,2", kS, "a", "a*3.8146851,2,l=0"},
                        // -0.0001234 as a float is -0.000123399994: the cut keeps eight digits of that.
                        {"a*-0.0001234+0.125,2", kS, "a", "a*-0.00012339999+0.125,2,l=0"},
                        {"a<10>20", s603, "a", "a<10>20,l=0"},
                        {"a,n=Tank", kF, "a", "a"},  // names belong to S class boards
                        {"a*0+0,0", kE, "a", "a"},  // no multiplier: no E scaling
                        {"a*0+5,0", kF, "a", "a*1.00000000+5,0"},  // zero multiplier written as 1
                        {"a*2+0,1", kF, "k1", "k1*2.00000000+0,1"}, {"a*2+0,1", kF, "kx", "kx*2.00000000+0,1"},
                        {"a*2+0,1", kF, "", "-"},  // no type: no scaling
                        {"a*1+0,0<10>20", f603, "a", "a*1.00000000+0,0<10>20"},
                        {"a*1+0,0<10>20", f602, "a", "a*1.00000000+0,0"}, {"d>1", kF, "d", "d>1"},
                        {"d<5>7", kF, "d", "d<1"},  // the low alarm wins for a digital input
                        {"a,n=Tank,d=1,p=3,l=1,m=amM", kS, "a", "a,n=Tank,d=1,p=3,l=1,m=amM"},
                        {"a,m=a,p=0", kS, "a", "a,l=0"},  // average only and no pivot write nothing
                        {"v*1+0,0,c=a0+a1", kF, "v", "v*1.00000000+0,0,c=a0+a1"}})
    EXPECT_EQ(printed(c.value, c.board, c.mode), c.expected) << c.value << " on " << c.board.type_letter;
}

TEST(TrimmedNumber, EightSignificantDigitsWithoutTrailingZeros) {
  auto trimmed = [](float v, TrimmedMode mode) {
    std::string out = "<";
    append_trimmed_number(out, v, mode);
    return out.substr(1);
  };
  EXPECT_EQ(trimmed(12345678.9f, TrimmedMode::zero_as_digit), "12345679");  // cut at the point
  EXPECT_EQ(trimmed(0.0f, TrimmedMode::zero_as_digit), "0");
}

const TypePrefix kLinear{'a', -1};

TEST(Conversions, MillivoltsRealValuesAndTheLinearisationTables) {
  EXPECT_EQ(millivolts_text(-4096, BoardClass::s), "-0.64mV");
  EXPECT_EQ(format_real_value(500, AnalogScaling{}, BoardClass::e, kLinear), "500");  // no multiplier
  EXPECT_EQ(format_real_value(1000, AnalogScaling{0, 250, 0.5f, 0, 1}, BoardClass::f, kLinear), "75.0");
  AnalogScaling s{0, 0, 0.25f, -10.5f, 2};
  EXPECT_EQ(format_real_value(1000, s, BoardClass::s, kLinear), "2.40");
  EXPECT_EQ(format_real_value(1234, AnalogScaling{0, 0, 1, 0, 8}, BoardClass::s, kLinear), "1234");  // above 7
  EXPECT_NEAR(real_to_raw(2.395, s), 1000.0f, 0.01f);  // 1000 shows 2.395 (printed 2.40)
  EXPECT_FLOAT_EQ(real_to_raw(12.5, AnalogScaling{}), 12.5f);
  // Linearised types only on the S class, and not when the raw value is asked for.
  AnalogScaling unit{0, 0, 1, 0, 2};
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::s, TypePrefix{'k', -1}), "15.98");
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::s, TypePrefix{'k', -1}, true), "40.96");
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::f, TypePrefix{'k', -1}), "40.96");
  EXPECT_FLOAT_EQ(linearize_k(400000, 0), 199999.9f);
  EXPECT_FLOAT_EQ(linearize_k(-1e9f, 0), -19999.9f);
  EXPECT_NEAR(linearize_k(2048, 0), 799.15f, 0.01f);  // halfway between the rows
  EXPECT_FLOAT_EQ(linearize_k(4096, 1), 1254.4f);
  EXPECT_FLOAT_EQ(linearize_p(-5), -2442.0f);
  EXPECT_FLOAT_EQ(linearize_p(61440), -2396.0f);  // (92 * 61440 + 61440) / 122880 rounds to 46
  EXPECT_FLOAT_EQ(linearize_p(63 * 122880.0f), 6346.0f);
}

TEST(ProposeList, StepsUpToTheFullScaleWithTheUnitAsPlainText) {
  auto list = propose_list("0.0,0,2.5,13107,mA", BoardClass::f);
  ASSERT_EQ(list.size(), 7u);  // " " and 0, 13107 ... 65535
  EXPECT_EQ(list[6].text, "12.5 mA");
  EXPECT_EQ(propose_choice("0.0,0,2.5,13107,mA", 3), 26214);
  EXPECT_TRUE(propose_list("0,0,1", BoardClass::f).empty());
  EXPECT_EQ(propose_list("0,0,1,0,V", BoardClass::e).size(), 2u);  // a step that does not move
  EXPECT_EQ(propose_list("1,5,1,1,verylongunit", BoardClass::e)[1].text, "1 verylongu");
}

TEST(Solver, TwoPointsGiveTheScalingEachClassCanHoldOrNothing) {
  struct Row {
    AnalogBoard board;
    CalibrationTexts texts;  // raw1, raw2, real1, real2
    AnalogScaling expected;
    const char* note;
  };
  const std::vector<Row> rows = {
      {kE, {"0", "1000", "0", "100"}, {1, 0, 0, 0, 1}, "divided by ten"},
      {kE, {"0", "1000", "100", "0"}, {-1, 1000, 0, 0, 1}, "descending"},
      {kE, {"7", "826", "3", "346"}, {419, -13, 0, 0, 3}, "opposite offsets 67 and -94: the mean truncates"},
      {kS, {"100", "300", "1.25", "2.5"}, {0, 0, 0.625f, 62.5f, 2}, "real offset"},
      {kF, {"1000", "2000", "50000", "60000"}, {0, 4000, 1.0f, 0, 0},
       "offset 40000 does not fit 16 bits: one retry with slope and offset divided by ten"},
      {AnalogBoard{'G', 1404}, {"1000", "2000", "50000", "60000"}, {0, 40000, 10.0f, 0, 0},
       "another F class letter takes a 32-bit offset at once"},
      {kF, {"0", "100", "12.5", "13.5"}, {0, 125, 0.1f, 0, 1}, "decimals"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    AnalogScaling s;
    solve_scaling(row.texts, kLinear, row.board, s);
    EXPECT_EQ(s, row.expected);
  }
  AnalogScaling cleared{5, 5, 1, 1, 1};
  solve_scaling({"0", "1", "0", "100000"}, kLinear, kE, cleared);
  EXPECT_EQ(cleared, AnalogScaling{});  // nothing fits the E class: no scaling
  AnalogScaling k;
  solve_scaling({"0", "4096", "0", "15.98"}, TypePrefix{'k', -1}, kS, k);
  // The counts are linearised first (to 0 and 1598.3), the values read as 0 and 1598.
  EXPECT_NEAR(k.real_multiplier, 1598.0 / 1598.3, 1e-6);
  AnalogScaling many;
  solve_scaling({"0", "10", "0.123456789", "1"}, kLinear, kS, many);
  EXPECT_EQ(many.decimals, 7);  // at most
  AnalogScaling untouched{7, 7, 7, 7, 7};
  // These return before the board class is looked at.
  for (CalibrationTexts texts : {CalibrationTexts{"5", "5", "0", "1"}, CalibrationTexts{"0", "5", "1", "1"},
                                 CalibrationTexts{"x", "5", "0", "1"}, CalibrationTexts{"nan", "5", "0", "1"},
                                 CalibrationTexts{"0", "5", "0", "inf"}}) {
    AnalogScaling scaling = untouched;
    solve_scaling(texts, kLinear, kF, scaling);
    EXPECT_EQ(scaling, untouched) << texts.raw1 << " " << texts.raw2 << " " << texts.real1 << " " << texts.real2;
  }
}

class RecordingOpener final : public DocumentOpener {
 public:
  std::string opened;
  void open_document(const std::string& path) override { opened = path; }
};

int count_lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(CalibrationExport, LineCountsPerClassAndTheFile) {
  EXPECT_EQ(count_lines(calibration_table_lines({AnalogScaling{}, kLinear, BoardClass::f})), 65536);
  const std::string s_lines = calibration_table_lines({AnalogScaling{0, 0, 1, 0, 0}, kLinear, BoardClass::s});
  EXPECT_EQ(count_lines(s_lines), 8465);  // from -600000 in steps
  EXPECT_EQ(s_lines.rfind("-600000\t-93.46\t-600000\n", 0), 0u);

  test::TempDir dir;
  test::SharedReport report;
  Messages messages;
  RecordingOpener opener;
  std::filesystem::create_directory(dir.file("Cal"));
  GivenPathChooser chooser(dir.file("Cal/Table"));
  const std::string path = export_calibration_table({AnalogScaling{98, -127, 0, 0, 3}, kLinear, BoardClass::e},
                                                    chooser, &opener, report, messages);
  EXPECT_EQ(path, dir.file("Cal/Table.txt"));  // the folder's capital stays
  EXPECT_EQ(opener.opened, path);
  const std::string text = test::TempDir::read(path);
  EXPECT_EQ(text.substr(0, 31), "Raw\tmV\tValue\n\n   0\t 0.0\t-0.127\n");
  EXPECT_EQ(count_lines(text), 1024 + 2);

  GivenPathChooser nowhere("/nonexistent-dir/x.txt");
  EXPECT_EQ(export_calibration_table({}, nowhere, &opener, report, messages), "");
  EXPECT_TRUE(report.contains("Error open /nonexistent-dir/x.txt"));
  EXPECT_TRUE(report.contains("No such file or directory"));
}

}  // namespace
}  // namespace vexa
