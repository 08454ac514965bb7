// The built-in parameter tables (defined rows, key families, languages) and the key index
// against the plain scan; reading assignment lines: the cutting rules of split_assignments and
// what parsing a line does to a table (slots, fields, limits). The hooks are the
// configuration's tests', availability the download's.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "config/configuration.h"
#include "config/key_rows.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"

namespace vexa {
namespace {

// Each language's 1000 rows: defined rows with unique keys and names, then free rows; every row
// as in English but for its name; numbered families run from 0 without gaps; the statistics are
// the defined rows' last run.
TEST(ParameterTables, EveryLanguageHasTheDefinedRowsThenFreeRows) {
  const ParameterTable& en = language_table('e');
  EXPECT_EQ(parameter_definitions().size(), kDefinedParameters);
  for (char letter : {'e', 'f', 'd'}) {
    SCOPED_TRACE(letter);
    const ParameterTable& table = language_table(letter);
    ASSERT_EQ(table.size(), kParameterTableRecords);
    std::set<std::string> keys;
    for (std::size_t i = 0; i < table.size(); ++i) {
      const ParameterRecord& r = table[i];
      ParameterRecord a = en[i], b = r;
      a.name.clear();
      b.name.clear();
      EXPECT_EQ(a, b) << i;
      if (i >= kDefinedParameters) {
        EXPECT_EQ(r, ParameterRecord{}) << i;
        continue;
      }
      EXPECT_TRUE(r.value.empty() && r.type.empty() && !r.has_value && r.control_id == 0) << i;
      EXPECT_TRUE(keys.insert(r.key).second) << "duplicate key " << r.key;
      EXPECT_LE(r.key.size(), kParameterKeyChars);
      EXPECT_FALSE(r.name.empty()) << r.key;
      const std::size_t digits = r.key.find_first_of("0123456789");
      if (digits != std::string::npos && r.key.substr(digits) != "0") {
        const std::string previous = r.key.substr(0, digits) + std::to_string(std::stoi(r.key.substr(digits)) - 1);
        EXPECT_EQ(table[i - 1].key, previous) << r.key;
      }
      if (is_statistic(r) && i + 1 < kDefinedParameters) {
        EXPECT_TRUE(is_statistic(table[i + 1])) << r.key;
      }
      if (r.min_version_e > 1 || r.min_version_f > 1 || r.min_version_s > 1) {
        EXPECT_EQ(r.key, "gry");  // the only key that needs a firmware version
      }
      if (is_macro_key(r.key) || analog_input_number(r.key)) {
        EXPECT_EQ(r.name, en[i].name) << r.key;  // the user's channel names, in any language
      }
    }
  }
  EXPECT_FALSE(is_statistic(en[1]));
  EXPECT_TRUE(is_statistic(en[kDefinedParameters - 1]));
  EXPECT_EQ(language_table('d')[1].name, "Dateiname Rs232");  // the names are the language's
  EXPECT_EQ(&language_table('D'), &language_table('e'));  // letters are lower case
  EXPECT_NE(language_table('f')[1].name, "Filename rs232");
}

// Where a store of key goes, by the plain rule: the first of the searched rows whose key is
// key or empty. The index must always agree with it.
std::optional<std::size_t> slot_by_scan(const ParameterTable& table, std::string_view key) {
  for (std::size_t i = 0; i < std::min(table.size(), kConfigurationRecords); ++i)
    if (table[i].key.empty() || table[i].key == key) return i;
  return std::nullopt;
}

// The index answers as the scan does: first row of a duplicated key, nothing for free rows,
// prefixes, case or the two records past the searched part, over a full table of similar keys.
TEST(ParameterTables, KeyIndexAgreesWithTheScan) {
  ParameterTable table = make_scratch_table();
  EXPECT_EQ(KeyRows(table).slot("bd"), 0u);
  for (std::size_t i = 0; i < table.size(); ++i)
    if (i % 7 != 3) table[i].key = (i % 2 ? "a" : "A") + std::to_string(i % 500);
  table[10].key = "bd";
  table[20].key = "bd";
  table[998].key = "late";
  const KeyRows rows(table);
  std::vector<std::string> probes{"", "bd", "b", "bdx", "BD", "late", "a1", "A0", "a499", "a500", "a"};
  for (std::size_t i = 0; i < 1000; ++i) probes.push_back(table[i].key);
  for (const std::string& key : probes) {
    EXPECT_EQ(rows.find(key), find_record(table, key)) << key;
    EXPECT_EQ(rows.slot(key), slot_by_scan(table, key)) << key;
  }
  EXPECT_EQ(rows.find("bd"), 10u);
  EXPECT_EQ(rows.slot("bd"), 3u);  // a free slot before the key wins
  EXPECT_FALSE(rows.find("late"));
}

using F = AssignmentField;

// How split_assignments cuts a line: plain values end at blanks; macros, names and types run to
// the end of the line; an unknown field, an overlong key, a comment or a word without '=' stops
// it, keeping what came before; CR, LF and NUL end the line; an empty key is an assignment too.
TEST(ParseAssignments, CuttingRulesFieldsLimitsAndFreeSlots) {
  using A = std::vector<Assignment>;
  const A bd{{"bd", F::value, "1"}};
  const struct {
    std::string_view line;
    A expected;
  } cases[] = {
      {"  bd=9600   sf=0  ", {{"bd", F::value, "9600"}, {"sf", F::value, "0"}}},
      {"bd= sf=2", {{"bd", F::value, ""}, {"sf", F::value, "2"}}},
      {"fs=a=b", {{"fs", F::value, "a=b"}}},
      {"bd=1 m12=1 x=2", {{"bd", F::value, "1"}, {"m12", F::value, "1 x=2"}}},
      {"mo=1 sf=2", {{"mo", F::value, "1"}, {"sf", F::value, "2"}}},  // 'mo' is no macro
      {"a3=a*1+0 a3.name=Inside", {{"a3", F::value, "a*1+0"}, {"a3", F::name, "Inside"}}},
      {"a3.name=Inside a3=a*1+0", {{"a3", F::name, "Inside a3=a*1+0"}}},
      {"a3.type=Pt100 3 wire", {{"a3", F::type, "Pt100 3 wire"}}},
      {"bd=1 a3.unit=V sf=2", bd},
      {"bd=1 a3.Name=x", bd},
      {"abcdefg=1", {}},
      {"abcdef=1", {{"abcdef", F::value, "1"}}},
      {"   #x=1", {}},
      {"bd=1 #sf=2", bd},
      {"fs=#1", {{"fs", F::value, "#1"}}},
      {"      ", {}},
      {"bd=1 trailing", bd},
      {"bd=1\rsf=2", bd},
      {std::string_view("bd=1\0sf=2", 9), bd},
      {"m0=run\r x", {{"m0", F::value, "run"}}},
      {"=5 bd=1", {{"", F::value, "5"}, {"bd", F::value, "1"}}},
      {".name=x bd=1", {{"", F::name, "x bd=1"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_assignments(c.line), c.expected) << c.line;
  // Values, names and types go to their fields, cut to 99 characters, the next assignment kept;
  // a name or a type alone makes no value.
  Configuration config('e');
  EXPECT_EQ(config.parse_assignments("a3=a*1+0 a3.name=Outside temp", false), 2u);
  config.parse_assignments("a4.type=Pt100", false);
  config.parse_assignments("a5.name=" + std::string(120, 'n'), false);
  EXPECT_EQ(config.find_parameter("a4")->type, "Pt100");
  EXPECT_FALSE(config.find_parameter("a4")->has_value);
  EXPECT_EQ(config.find_parameter("a5")->name.size(), 99u);
  EXPECT_FALSE(config.find_parameter("a5")->has_value);
  config.parse_assignments("fs=" + std::string(150, 'v') + " fe=1", false);
  EXPECT_EQ(config.parameter_value("fs"), std::string(99, 'v'));
  EXPECT_EQ(config.parameter_value("fe"), "1");
  // Undefined keys take the free rows in order; an empty key writes the first free row and leaves
  // it free, so the next new key takes it over, value and all.
  config.reset_configuration();
  EXPECT_EQ(config.parse_assignments("=5", false), 1u);
  EXPECT_TRUE(config.record(kDefinedParameters).key.empty());
  EXPECT_EQ(config.record(kDefinedParameters).value, "5");
  config.parse_assignments("zz.name=n", false);
  EXPECT_TRUE(config.find_parameter("zz")->has_value);
  config.parse_assignments("zz=6 yy=1", false);
  EXPECT_EQ(config.find_index("zz"), kDefinedParameters);
  EXPECT_EQ(config.parameter_value("zz"), "6");
  EXPECT_EQ(config.find_index("yy"), kDefinedParameters + 1);
  // 415 free slots in all; two are used.
  for (int i = 0; i < 413; ++i) {
    ASSERT_EQ(config.parse_assignments("u" + std::to_string(i) + "=1", false), 1u) << i;
  }
  EXPECT_EQ(config.find_index("u412"), 997u);
  EXPECT_EQ(config.parse_assignments("full=1 bd=2 more=3", false), 1u);  // only the known key
  EXPECT_FALSE(config.find_parameter("full"));
  EXPECT_EQ(config.parse_assignments("u5=7", false), 1u);  // an existing undefined key still stores
  EXPECT_FALSE(config.set_parameter("other", "1"));
}

}  // namespace
}  // namespace vexa
