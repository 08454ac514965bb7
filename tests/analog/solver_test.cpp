// Conversions (millivolts, real values, linearisation tables, propose lists) and the calibration
// solver of each board class, with the export's line counts.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

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

AnalogScaling solved(const AnalogBoard& board, const char* raw1, const char* real1, const char* raw2,
                     const char* real2, TypePrefix type = kLinear, ReportSink* trace = nullptr) {
  AnalogScaling scaling;
  solve_scaling({raw1, raw2, real1, real2}, type, board, scaling, trace);
  return scaling;
}

TEST(Conversions, MillivoltsPerClass) {
  EXPECT_EQ(millivolts_text(1000, BoardClass::e), "2500.0mV");
  EXPECT_EQ(millivolts_text(65536, BoardClass::f), "2500.00mV");
  EXPECT_EQ(millivolts_text(7864320, BoardClass::s), "1225.00mV");
  EXPECT_EQ(millivolts_text(-4096, BoardClass::s), "-0.64mV");
}

TEST(Conversions, RealValuesThroughTheScalingOfEachClass) {
  AnalogScaling e{98, -127, 0, 0, 3};
  EXPECT_EQ(format_real_value(1023, e, BoardClass::e, kLinear), "100.127");
  EXPECT_EQ(format_real_value(0, e, BoardClass::e, kLinear), "-0.127");
  EXPECT_EQ(format_real_value(500, AnalogScaling{}, BoardClass::e, kLinear), "500");  // no multiplier
  AnalogScaling f{0, 250, 0.5f, 0, 1};
  EXPECT_EQ(format_real_value(1000, f, BoardClass::f, kLinear), "75.0");
  AnalogScaling s{0, 0, 0.25f, -10.5f, 2};
  EXPECT_EQ(format_real_value(1000, s, BoardClass::s, kLinear), "2.40");
  AnalogScaling many{0, 0, 1, 0, 9};
  EXPECT_EQ(format_real_value(1234, many, BoardClass::s, kLinear), "1234");  // above 7 decimals
  EXPECT_NEAR(real_to_raw(2.395, s), 1000.0f, 0.01f);  // 1000 shows 2.395 (printed 2.40)
  EXPECT_FLOAT_EQ(real_to_raw(12.5, AnalogScaling{}), 12.5f);
}

TEST(Linearisation, ThermocoupleRowsAndMarks) {
  // The rows the boards are known by, each to its three decimals.
  for (auto [i, t] : {std::pair{1, -158.324f}, {9, 0.0f}, {10, 15.983f}, {94, 1352.744f}})
    EXPECT_FLOAT_EQ(kThermocoupleK[i], t) << "K entry " << i;
  for (auto [i, t] : {std::pair{1, -166.439f}, {12, 0.0f}, {13, 12.544f}, {118, 1166.536f}})
    EXPECT_FLOAT_EQ(kThermocoupleJ[i], t) << "J entry " << i;
  EXPECT_FLOAT_EQ(kThermocoupleK[0], -199.999f);
  EXPECT_FLOAT_EQ(kThermocoupleK[95], 1999.999f);
  EXPECT_FLOAT_EQ(kThermocoupleJ[0], -199.999f);
  EXPECT_FLOAT_EQ(kThermocoupleJ[119], 1199.999f);
  for (std::size_t i = 1; i + 1 < kThermocoupleK.size(); ++i) EXPECT_LT(kThermocoupleK[i - 1], kThermocoupleK[i]);
  for (std::size_t i = 1; i + 1 < kThermocoupleJ.size(); ++i) EXPECT_LT(kThermocoupleJ[i - 1], kThermocoupleJ[i]);

  EXPECT_FLOAT_EQ(linearize_k(0, 0), 0.0f);
  EXPECT_FLOAT_EQ(linearize_k(400000, 0), 199999.9f);
  EXPECT_FLOAT_EQ(linearize_k(600000, 1), 119999.9f);
  EXPECT_LT(linearize_k(400000, 1), 119999.9f);  // still inside the J table
  EXPECT_FLOAT_EQ(linearize_k(-1e9f, 0), -19999.9f);
  EXPECT_FLOAT_EQ(linearize_k(4096, 0), 1598.3f);
  EXPECT_NEAR(linearize_k(2048, 0), 799.15f, 0.01f);  // halfway between the rows
  EXPECT_FLOAT_EQ(linearize_k(4096, 1), 1254.4f);
}

TEST(Linearisation, ResistanceTable) {
  EXPECT_FLOAT_EQ(linearize_p(-5), -2442.0f);
  EXPECT_FLOAT_EQ(linearize_p(0), -2442.0f);
  EXPECT_FLOAT_EQ(linearize_p(122880), -2350.0f);
  EXPECT_FLOAT_EQ(linearize_p(61440), -2396.0f);  // (92 * 61440 + 61440) / 122880 rounds to 46
  EXPECT_FLOAT_EQ(linearize_p(1e9f), 6346.0f);
  EXPECT_FLOAT_EQ(linearize_p(63 * 122880.0f), 6346.0f);
}

TEST(Conversions, LinearisedTypesOnlyOnTheSClass) {
  AnalogScaling unit{0, 0, 1, 0, 2};
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::s, TypePrefix{'k', -1}), "15.98");
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::s, TypePrefix{'k', -1}, true), "40.96");
  EXPECT_EQ(format_real_value(4096, unit, BoardClass::f, TypePrefix{'k', -1}), "40.96");
}

TEST(ProposeList, StepsUpToTheFullScale) {
  auto list = propose_list("0.0,0,2.5,13107,mA", BoardClass::f);
  ASSERT_EQ(list.size(), 7u);  // " " and 0, 13107 ... 65535
  EXPECT_EQ(list[0].text, " ");
  EXPECT_EQ(list[1].text, "0.0 mA");
  EXPECT_EQ(list[6].text, "12.5 mA");
  EXPECT_EQ(propose_choice("0.0,0,2.5,13107,mA", 3), 26214);
  EXPECT_FALSE(propose_choice("0.0,0,2.5,13107,mA", 0));
  EXPECT_TRUE(propose_list("0,0,1", BoardClass::f).empty());
  EXPECT_EQ(propose_list("0,0,1,0,V", BoardClass::e).size(), 2u);  // a step that does not move
  EXPECT_EQ(propose_list("0,0,1,-5,V", BoardClass::e).size(), 2u);
  // A step lost in a count that far from zero moves nothing either: one entry, not ten thousand
  // of the same count.
  EXPECT_EQ(propose_list(",-10366666666666666666,=,3,0", BoardClass::f).size(), 2u);
  // Numbers too large to read become infinities: an endless count with an endless step.
  EXPECT_EQ(propose_list(",-6666e41166,=,6666e41166,=,3,3,", BoardClass::f).size(), 2u);
  EXPECT_EQ(propose_list("1,5,1,1,verylongunit", BoardClass::e)[1].text, "1 verylongu");
}

TEST(ProposeList, UnitFromTheInputTypeFileIsPlainText) {
  // ainputs.txt is the user's file: a unit with '%' in it is shown, never used as a format.
  auto list = propose_list("0.5,0,1.0,30000,%s%n", BoardClass::f);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[1].text, "0.5 %s%n");
  EXPECT_EQ(list[3].text, "2.5 %s%n");
  EXPECT_EQ(propose_list("0,0,1,65535,100%", BoardClass::f)[2].text, "1 100%");
}

TEST(SolverE, TheSearchForDecimalsThatFit) {
  test::SharedReport trace;
  auto a = solved(kE, "0", "0", "1023", "100", kLinear, &trace);
  EXPECT_EQ(a.int_multiplier, 98);
  EXPECT_EQ(a.int_offset, -127);
  EXPECT_EQ(a.decimals, 3);
  EXPECT_TRUE(trace.contains("trying *978 +-247 ,4 why= 1.try"));
  EXPECT_TRUE(trace.contains("trying *98 +-127 ,3 why= ddn>max"));

  trace.clear();
  auto b = solved(kE, "0", "0", "1000", "100", kLinear, &trace);
  EXPECT_EQ(b.int_multiplier, 1);
  EXPECT_EQ(b.int_offset, 0);
  EXPECT_EQ(b.decimals, 1);
  EXPECT_TRUE(trace.contains("trying *1 +0 ,1 why= can /10"));

  auto c = solved(kE, "100", "-10", "900", "250");
  EXPECT_EQ(c.int_multiplier, 33);
  EXPECT_EQ(c.int_offset, -4500);
  EXPECT_EQ(c.decimals, 2);

  auto descending = solved(kE, "0", "100", "1000", "0");
  EXPECT_LT(descending.int_multiplier, 0);

  // Offsets of opposite signs: their mean truncates toward zero (67 and -94 give -13).
  auto mixed = solved(kE, "7", "3", "826", "346");
  EXPECT_EQ(mixed.int_multiplier, 419);
  EXPECT_EQ(mixed.int_offset, -13);
  EXPECT_EQ(mixed.decimals, 3);
  EXPECT_EQ(solved(kE, "607", "31", "4", "0").int_offset, -80);  // 43 and -204
}

TEST(SolverE, NothingFitsClearsTheScaling) {
  test::SharedReport trace;
  AnalogScaling scaling{5, 5, 1, 1, 1};
  solve_scaling({"0", "1", "0", "100000"}, kLinear, kE, scaling, &trace);
  EXPECT_EQ(scaling, AnalogScaling{});
  EXPECT_TRUE(trace.contains("ddn=0 !!! *x>FFFF"));
}

TEST(SolverS, RealSlopeAndOffset) {
  test::SharedReport trace;
  auto s = solved(kS, "0", "0", "7864320", "1225", kLinear, &trace);
  EXPECT_FLOAT_EQ(s.real_multiplier, 1225.0f / 7864320.0f);
  EXPECT_EQ(s.real_offset, 0.0f);
  EXPECT_EQ(s.decimals, 0);
  EXPECT_EQ(trace.lines().size(), 1u);
  EXPECT_EQ(trace.lines()[0].rfind("Raw=0.000000/7864320.000000 V=0.000000/1225.000000", 0), 0u);
  auto decimals = solved(kS, "100", "1.25", "300", "2.5");
  EXPECT_EQ(decimals.decimals, 2);
  EXPECT_FLOAT_EQ(decimals.real_multiplier, 125.0f / 200.0f);
  EXPECT_FLOAT_EQ(decimals.real_offset, 125.0f - 100 * decimals.real_multiplier);
  auto many = solved(kS, "0", "0.123456789", "10", "1");
  EXPECT_EQ(many.decimals, 7);
}

TEST(SolverF, RetriesShrinkAnOffsetThatDoesNotFitSixteenBits) {
  test::SharedReport trace;
  auto f = solved(kF, "1000", "50000", "2000", "60000", kLinear, &trace);
  // Offset 40000 does not fit 16 bits: one retry with slope and offset divided by ten.
  EXPECT_EQ(f.int_offset, 4000);
  EXPECT_FLOAT_EQ(f.real_multiplier, 1.0f);
  EXPECT_EQ(f.decimals, 0);
  EXPECT_EQ(trace.lines().size(), 2u);
  // Another F class letter takes a 32-bit offset at once.
  auto g = solved(AnalogBoard{'G', 1404}, "1000", "50000", "2000", "60000");
  EXPECT_EQ(g.int_offset, 40000);
  EXPECT_FLOAT_EQ(g.real_multiplier, 10.0f);
  auto with_decimals = solved(kF, "0", "12.5", "100", "13.5");
  EXPECT_EQ(with_decimals.int_offset, 125);
  EXPECT_EQ(with_decimals.decimals, 1);
}

TEST(Solver, LinearisedTypesAndNonsenseInput) {
  auto k = solved(kS, "0", "0", "4096", "15.98", TypePrefix{'k', -1});
  // The counts are linearised first (to 0 and 1598.3), the values read as 0 and 1598.
  EXPECT_NEAR(k.real_multiplier, 1598.0 / 1598.3, 1e-6);
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
  EXPECT_FALSE(read_calibration_input({"0", "1", "x", "2"}).valid);
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
  EXPECT_EQ(count_lines(calibration_table_lines({AnalogScaling{}, kLinear, BoardClass::e})), 1024);
  EXPECT_EQ(count_lines(calibration_table_lines({AnalogScaling{}, kLinear, BoardClass::f})), 65536);
  const std::string s_lines = calibration_table_lines({AnalogScaling{0, 0, 1, 0, 0}, kLinear, BoardClass::s});
  EXPECT_EQ(count_lines(s_lines), 8465);
  EXPECT_EQ(s_lines.substr(0, s_lines.find('\n')), "-600000\t-93.46\t-600000");

  test::TempDir dir;
  test::SharedReport report;
  Messages messages;
  RecordingOpener opener;
  GivenPathChooser chooser(dir.file("Table"));
  const std::string path = export_calibration_table({AnalogScaling{98, -127, 0, 0, 3}, kLinear, BoardClass::e},
                                                    chooser, &opener, report, messages, PathCase::keep);
  EXPECT_EQ(path, dir.file("Table.txt"));
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

TEST(CalibrationExport, PathKeepsItsCase) {
  test::TempDir dir;
  test::SharedReport report;
  Messages messages;
  std::filesystem::create_directory(dir.file("Cal"));
  GivenPathChooser chooser(dir.file("Cal/Table"));
  EXPECT_EQ(export_calibration_table({AnalogScaling{}, kLinear, BoardClass::e}, chooser, nullptr, report, messages),
            dir.file("Cal/Table.txt"));
  EXPECT_TRUE(test::TempDir::exists(dir.file("Cal/Table.txt")));
}

}  // namespace
}  // namespace vexa
