// Conversions (millivolts, real values, linearisation tables, propose lists) and the calibration
// solver of each board class, with the export's line counts.
#include <gtest/gtest.h>

#include <filesystem>

#include "analog/analog_conversions.h"
#include "analog/calibration_export.h"
#include "analog/calibration_solver.h"
#include "analog/linearization.h"
#include "analog/propose_table.h"
#include "data/thermocouple_tables.h"
#include "support/recording_sinks.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

const AnalogBoard kE{'E', 1404}, kF{'F', 1404}, kS{'S', 1404};
const TypePrefix kLinear{'a', -1};

TEST(Conversions, MillivoltsAndRealValuesPerClass) {
  EXPECT_EQ(millivolts_text(1000, BoardClass::e), "2500.0mV");
  EXPECT_EQ(millivolts_text(65536, BoardClass::f), "2500.00mV");
  EXPECT_EQ(millivolts_text(7864320, BoardClass::s), "1225.00mV");
  EXPECT_EQ(millivolts_text(-4096, BoardClass::s), "-0.64mV");
  AnalogScaling e{98, -127, 0, 0, 3};
  EXPECT_EQ(format_real_value(1023, e, BoardClass::e, kLinear), "100.127");
  EXPECT_EQ(format_real_value(500, AnalogScaling{}, BoardClass::e, kLinear), "500");  // no multiplier
  EXPECT_EQ(format_real_value(1000, AnalogScaling{0, 250, 0.5f, 0, 1}, BoardClass::f, kLinear), "75.0");
  AnalogScaling s{0, 0, 0.25f, -10.5f, 2};
  EXPECT_EQ(format_real_value(1000, s, BoardClass::s, kLinear), "2.40");
  EXPECT_EQ(format_real_value(1234, AnalogScaling{0, 0, 1, 0, 9}, BoardClass::s, kLinear), "1234");  // above 7
  EXPECT_NEAR(real_to_raw(2.395, s), 1000.0f, 0.01f);  // 1000 shows 2.395 (printed 2.40)
  EXPECT_FLOAT_EQ(real_to_raw(12.5, AnalogScaling{}), 12.5f);
  // Linearised types only on the S class, and not when the raw value is asked for.
  AnalogScaling unit{0, 0, 1, 0, 2};
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::s, TypePrefix{'k', -1}), "15.98");
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::s, TypePrefix{'k', -1}, true), "40.96");
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::f, TypePrefix{'k', -1}), "40.96");
}

TEST(Linearisation, ThermocoupleAndResistanceTables) {
  // Both tables rise from their low to their high end mark.
  auto rises = [](const auto& table, float high) {
    EXPECT_FLOAT_EQ(table.front(), -199.999f);
    EXPECT_FLOAT_EQ(table.back(), high);
    for (std::size_t i = 1; i + 1 < table.size(); ++i) EXPECT_LT(table[i - 1], table[i]) << i;
  };
  rises(kThermocoupleK, 1999.999f);
  rises(kThermocoupleJ, 1199.999f);
  EXPECT_FLOAT_EQ(linearize_k(400000, 0), 199999.9f);
  EXPECT_FLOAT_EQ(linearize_k(600000, 1), 119999.9f);
  EXPECT_FLOAT_EQ(linearize_k(-1e9f, 0), -19999.9f);
  EXPECT_FLOAT_EQ(linearize_k(4096, 0), 1598.3f);
  EXPECT_NEAR(linearize_k(2048, 0), 799.15f, 0.01f);  // halfway between the rows
  EXPECT_FLOAT_EQ(linearize_k(4096, 1), 1254.4f);
  EXPECT_FLOAT_EQ(linearize_p(-5), -2442.0f);
  EXPECT_FLOAT_EQ(linearize_p(122880), -2350.0f);
  EXPECT_FLOAT_EQ(linearize_p(61440), -2396.0f);  // (92 * 61440 + 61440) / 122880 rounds to 46
  EXPECT_FLOAT_EQ(linearize_p(63 * 122880.0f), 6346.0f);
}

TEST(ProposeList, StepsUpToTheFullScaleWithTheUnitAsPlainText) {
  auto list = propose_list("0.0,0,2.5,13107,mA", BoardClass::f);
  ASSERT_EQ(list.size(), 7u);  // " " and 0, 13107 ... 65535
  EXPECT_EQ(list[1].text, "0.0 mA");
  EXPECT_EQ(list[6].text, "12.5 mA");
  EXPECT_EQ(propose_choice("0.0,0,2.5,13107,mA", 3), 26214);
  EXPECT_FALSE(propose_choice("0.0,0,2.5,13107,mA", 0));
  EXPECT_TRUE(propose_list("0,0,1", BoardClass::f).empty());
  EXPECT_EQ(propose_list("0,0,1,0,V", BoardClass::e).size(), 2u);  // a step that does not move
  // A step lost in a count that far from zero moves nothing either: one entry, not ten thousand
  // of the same count.
  EXPECT_EQ(propose_list(",-10366666666666666666,=,3,0", BoardClass::f).size(), 2u);
  // Numbers too large to read become infinities: an endless count with an endless step.
  EXPECT_EQ(propose_list(",-6666e41166,=,6666e41166,=,3,3,", BoardClass::f).size(), 2u);
  EXPECT_EQ(propose_list("1,5,1,1,verylongunit", BoardClass::e)[1].text, "1 verylongu");
  // ainputs.txt is the user's file: a unit with '%' in it is shown, never used as a format.
  EXPECT_EQ(propose_list("0.5,0,1.0,30000,%s%n", BoardClass::f)[3].text, "2.5 %s%n");
}

TEST(Solver, TwoPointsGiveTheScalingEachClassCanHold) {
  struct Row {
    AnalogBoard board;
    CalibrationTexts texts;  // raw1, raw2, real1, real2
    AnalogScaling expected;
    const char* note;
  };
  const std::vector<Row> rows = {
      {kE, {"0", "1023", "0", "100"}, {98, -127, 0, 0, 3}, "the search for decimals that fit"},
      {kE, {"0", "1000", "0", "100"}, {1, 0, 0, 0, 1}, "divided by ten"},
      {kE, {"100", "900", "-10", "250"}, {33, -4500, 0, 0, 2}, "a negative value"},
      {kE, {"0", "1000", "100", "0"}, {-1, 1000, 0, 0, 1}, "descending"},
      {kE, {"7", "826", "3", "346"}, {419, -13, 0, 0, 3}, "opposite offsets 67 and -94: the mean truncates"},
      {kS, {"0", "7864320", "0", "1225"}, {0, 0, 1225.0f / 7864320.0f, 0, 0}, "real slope"},
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
}

TEST(Solver, NothingFitsLinearisedTypesAndNonsenseInput) {
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
  for (CalibrationTexts texts : {CalibrationTexts{"5", "5", "0", "1"}, CalibrationTexts{"0", "5", "1", "1"},
                                 CalibrationTexts{"x", "5", "0", "1"}, CalibrationTexts{"0", "5", "", "1"},
                                 CalibrationTexts{"nan", "5", "0", "1"}, CalibrationTexts{"0", "inf", "0", "1"}}) {
    for (const AnalogBoard& board : {kE, kF, kS}) {
      AnalogScaling scaling = untouched;
      solve_scaling(texts, kLinear, board, scaling);
      EXPECT_EQ(scaling, untouched) << texts.raw1 << " " << texts.raw2 << " " << texts.real1 << " " << texts.real2;
    }
  }
  auto input = read_calibration_input({"0", "1", "1.5", "2.25"});
  EXPECT_TRUE(input.valid);
  EXPECT_EQ(input.decimals, 2);
  EXPECT_DOUBLE_EQ(input.real1, 150);
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
  const std::string path =
      export_calibration_table({AnalogScaling{98, -127, 0, 0, 3}, kLinear, BoardClass::e}, chooser, &opener, report, messages);
  EXPECT_EQ(path, dir.file("Cal/Table.txt"));  // the folder's capital stays
  EXPECT_EQ(opener.opened, path);
  const std::string text = test::TempDir::read(path);
  EXPECT_EQ(text.substr(0, 18), "Raw\tmV\tValue\n\n   0");
  EXPECT_EQ(count_lines(text), 1024 + 2);
  EXPECT_NE(text.find("1023\t2557.5\t100.127\n"), std::string::npos);

  GivenPathChooser nowhere("/nonexistent-dir/x.txt");
  EXPECT_EQ(export_calibration_table({}, nowhere, &opener, report, messages), "");
  EXPECT_TRUE(report.contains("Error open /nonexistent-dir/x.txt"));
  EXPECT_TRUE(report.contains("No such file or directory"));
  EXPECT_FALSE(report.contains(": No such file or directory"));
}

}  // namespace
}  // namespace vexa
