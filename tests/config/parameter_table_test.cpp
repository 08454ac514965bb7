// The built-in parameter tables: their size, the order and availability of the key families,
// the three languages, and the table rules shared by every caller (availability, look-ups).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "config/key_rows.h"
#include "config/parameter_table.h"

namespace vexa {
namespace {

// Each language's 1000 rows: defined rows with unique keys and names, then free rows; every row
// as in English but for its name; numbered families run from 0 without gaps; the statistics are
// the defined rows' last run. Availability is the download's tests' (WhichKeysGoOut).
TEST(ParameterTables, EveryLanguageHasTheDefinedRowsThenFreeRows) {
  const ParameterTable& en = language_table('e');
  EXPECT_EQ(parameter_definitions().size(), kDefinedParameters);
  EXPECT_EQ(en[0].key, "  ");
  EXPECT_EQ(en[0].name, "Version");
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
  EXPECT_EQ(en[*find_record(en, "m13")].name, "Macro 13");
  EXPECT_EQ(language_table('d')[1].name, "Dateiname Rs232");  // the names are the language's
  EXPECT_EQ(&language_table('x'), &language_table('e'));
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
  EXPECT_FALSE(KeyRows(table).find(""));
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
  EXPECT_FALSE(find_record(table, "BD"));  // case-sensitive
}

}  // namespace
}  // namespace vexa
