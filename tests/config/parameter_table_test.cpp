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

std::size_t index_of(const ParameterTable& table, const std::string& key) {
  std::optional<std::size_t> index = find_record(table, key);
  EXPECT_TRUE(index.has_value()) << key;
  return index.value_or(kParameterTableRecords);
}

TEST(ParameterTables, SizeAndFreeSlots) {
  EXPECT_EQ(parameter_definitions().size(), 583u);
  for (char letter : {'e', 'f', 'd'}) {
    const ParameterTable& table = language_table(letter);
    ASSERT_EQ(table.size(), 1000u);
    std::set<std::string> keys;
    for (std::size_t i = 0; i < table.size(); ++i) {
      const ParameterRecord& r = table[i];
      EXPECT_TRUE(r.value.empty() && r.type.empty() && !r.has_value && r.control_id == 0) << i;
      EXPECT_LE(r.key.size(), kParameterKeyChars);
      EXPECT_LE(r.name.size(), kParameterTextChars);
      if (i < 583) {
        EXPECT_FALSE(r.key.empty()) << i;
        EXPECT_TRUE(keys.insert(r.key).second) << "duplicate key " << r.key;
        EXPECT_FALSE(r.name.empty()) << r.key;
      } else {
        EXPECT_EQ(r, ParameterRecord{}) << i;
      }
    }
  }
}

TEST(ParameterTables, FamiliesInOrder) {
  const ParameterTable& t = language_table('e');
  EXPECT_EQ(t[0].key, "  ");
  EXPECT_EQ(t[0].name, "Version");
  const std::pair<const char*, std::size_t> landmarks[] = {
      {"rn", 1},    {"rx", 4},    {"rs0", 5},   {"rs2", 7},   {"fs", 8},    {"bb", 10},
      {"ae", 19},   {"a0", 20},   {"a7", 27},   {"a8", 28},   {"a16", 36},  {"a199", 219},
      {"m0", 220},  {"m19", 239}, {"of", 240},  {"gry", 255}, {"gr0", 256}, {"gr99", 355},
      {"grb0", 356}, {"grb9", 365}, {"gre0", 366}, {"gre99", 465}, {"rq", 466}, {"rq0", 467},
      {"rq99", 566}, {"bm0", 567}, {"bv0", 570}, {"rv2", 575}, {"af", 576}, {"uc", 582}};
  for (const auto& [key, index] : landmarks) EXPECT_EQ(index_of(t, key), index) << key;
  EXPECT_EQ(t[index_of(t, "a42")].name, "a42");
  EXPECT_EQ(t[index_of(t, "m13")].name, "Macro 13");
  EXPECT_EQ(t[index_of(t, "rq7")].name, "Remote Acquisiton module");
  EXPECT_EQ(t[index_of(t, "bm1")].name, "Rs232 max buffer fill");
  EXPECT_EQ(t[index_of(t, "bm2")].name, "Rs485 max buffer fill");
  // Ranges are contiguous and counted in ascending number.
  for (int n = 0; n < 200; ++n) EXPECT_EQ(t[20 + n].key, "a" + std::to_string(n));
  for (int n = 0; n < 100; ++n) EXPECT_EQ(t[467 + n].key, "rq" + std::to_string(n));
}

TEST(ParameterTables, AvailabilityAndStatisticCounts) {
  const ParameterTable& t = language_table('e');
  int e = 0, f = 0, s = 0, stats = 0, versioned = 0;
  for (std::size_t i = 0; i < 583; ++i) {
    e += t[i].min_version_e != 0;
    f += t[i].min_version_f != 0;
    s += t[i].min_version_s != 0;
    stats += is_statistic(t[i]);
    if (t[i].min_version_e > 1 || t[i].min_version_f > 1 || t[i].min_version_s > 1) {
      ++versioned;
      EXPECT_EQ(t[i].key, "gry");
      EXPECT_EQ(t[i].min_version_s, 1202);
    }
    // Statistics are the counters at the end of the table.
    EXPECT_EQ(is_statistic(t[i]), i >= 567) << t[i].key;
  }
  EXPECT_EQ(e, 36);
  EXPECT_EQ(f, 59);
  EXPECT_EQ(s, 574);
  EXPECT_EQ(stats, 16);
  EXPECT_EQ(versioned, 1);
  EXPECT_EQ(t[index_of(t, "a7")].min_version_e, 1);
  EXPECT_EQ(t[index_of(t, "a8")].min_version_e, 0);
  EXPECT_EQ(t[index_of(t, "a8")].min_version_f, 1);
  EXPECT_EQ(t[index_of(t, "a16")].min_version_f, 0);
  EXPECT_EQ(t[index_of(t, "m9")].min_version_f, 1);
  EXPECT_EQ(t[index_of(t, "m10")].min_version_f, 0);
  EXPECT_EQ(t[index_of(t, "bb")].min_version_s, 0);
  EXPECT_EQ(t[index_of(t, "bb")].min_version_f, 1);
}

TEST(ParameterTables, LanguagesShareEverythingButNames) {
  const ParameterTable& en = language_table('e');
  const ParameterTable& fr = language_table('f');
  const ParameterTable& de = language_table('d');
  int french_differs = 0, german_differs = 0;
  for (std::size_t i = 0; i < en.size(); ++i) {
    for (const ParameterTable* other : {&fr, &de}) {
      ParameterRecord a = en[i], b = (*other)[i];
      a.name.clear();
      b.name.clear();
      EXPECT_EQ(a, b) << i;
    }
    const std::string& key = en[i].key;
    const bool shared_name = (key.size() >= 2 && (key[0] == 'a' || key[0] == 'm') &&
                              std::isdigit(static_cast<unsigned char>(key[1])));
    if (shared_name) {
      EXPECT_EQ(fr[i].name, en[i].name) << key;
      EXPECT_EQ(de[i].name, en[i].name) << key;
    }
    french_differs += fr[i].name != en[i].name;
    german_differs += de[i].name != en[i].name;
  }
  // Everything but the inputs, the macros and a few international words is translated.
  EXPECT_GT(french_differs, 330);
  EXPECT_GT(german_differs, 330);
  EXPECT_EQ(de[1].name, "Dateiname Rs232");
  EXPECT_EQ(de[index_of(de, "m3")].name, "Macro 3");
  EXPECT_NE(fr[index_of(fr, "uc")].name, de[index_of(de, "uc")].name);
}

TEST(ParameterTables, LanguageLetterSelectsTable) {
  EXPECT_EQ(&language_table('x'), &language_table('e'));
  EXPECT_EQ(&language_table('D'), &language_table('e'));  // letters are lower case
  EXPECT_NE(&language_table('d'), &language_table('e'));
  EXPECT_NE(&language_table('f'), &language_table('d'));
}

TEST(ParameterTables, AvailabilityRule) {
  const ParameterTable& t = language_table('e');
  const ParameterRecord& bd = t[index_of(t, "bd")];
  EXPECT_TRUE(is_available(bd, 'E', 400));
  EXPECT_TRUE(is_available(bd, 'F', 400));
  EXPECT_FALSE(is_available(bd, 'S', 1404));
  EXPECT_FALSE(is_available(bd, '2', 1404));  // other letters take the S column
  const ParameterRecord& a8 = t[index_of(t, "a8")];
  EXPECT_FALSE(is_available(a8, 'E', 1404));
  EXPECT_TRUE(is_available(a8, 'F', 1404));
  EXPECT_TRUE(is_available(a8, 'X', 1404));

  ParameterRecord gry = t[index_of(t, "gry")];
  EXPECT_FALSE(is_available(gry, 'S', 1201));
  EXPECT_TRUE(is_available(gry, 'S', 1202));
  EXPECT_TRUE(is_available(gry, 'S', 2999));
  EXPECT_FALSE(is_available(gry, 'E', 2999));
  gry.has_value = true;  // a value never makes a known key available where it is absent
  EXPECT_FALSE(is_available(gry, 'F', 2999));

  ParameterRecord unknown;
  unknown.key = "zz";
  EXPECT_FALSE(is_available(unknown, 'S', 1404));
  unknown.has_value = true;
  for (char letter : {'E', 'F', 'S', '2'}) EXPECT_TRUE(is_available(unknown, letter, 400));
}

// Where a store of key goes, by the plain rule: the first of the searched rows whose key is
// key or empty. The index must always agree with it.
std::optional<std::size_t> slot_by_scan(const ParameterTable& table, std::string_view key) {
  for (std::size_t i = 0; i < std::min(table.size(), kConfigurationRecords); ++i)
    if (table[i].key.empty() || table[i].key == key) return i;
  return std::nullopt;
}

TEST(ParameterTables, RecordAndSlotSearch) {
  ParameterTable table = make_scratch_table();
  ASSERT_EQ(table.size(), 1000u);
  EXPECT_FALSE(find_record(table, "bd"));
  EXPECT_FALSE(find_record(table, ""));
  EXPECT_EQ(KeyRows(table).slot("bd"), 0u);
  table[0].key = "bd";
  table[2].key = "sf";
  EXPECT_EQ(KeyRows(table).slot("sf"), 1u);  // a free slot before the key wins
  EXPECT_EQ(find_record(table, "sf"), 2u);
  EXPECT_FALSE(find_record(table, "Bd"));  // case-sensitive
  for (std::size_t i = 0; i < table.size(); ++i) table[i].key = "k" + std::to_string(i);
  EXPECT_FALSE(find_record(table, "k998"));  // the last two records are never searched
  const KeyRows full(table);
  EXPECT_FALSE(full.slot("new"));
  EXPECT_FALSE(full.slot("k998"));
  EXPECT_EQ(full.slot("k997"), 997u);
}

// The index answers as the scan does: first row of a duplicated key, nothing for free rows,
// prefixes, case or the two records past the searched part, over a full table of similar keys.
TEST(ParameterTables, KeyIndexAgreesWithTheScan) {
  ParameterTable table = make_scratch_table();
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
  EXPECT_FALSE(rows.find("late"));

  const ParameterTable empty = make_scratch_table();
  const KeyRows none(empty);
  EXPECT_FALSE(none.find("bd"));
  EXPECT_FALSE(none.find(""));
}

// Stores told to the index one at a time keep it equal to a fresh index and to the scan, with
// free rows left between keys, keys that collide in the hash, and the table filling up.
TEST(ParameterTables, KeyIndexFollowsStoresUntilTheTableIsFull) {
  ParameterTable table = make_scratch_table();
  for (std::size_t i = 0; i < 600; ++i)
    if (i % 5 != 0) table[i].key = "d" + std::to_string(i);
  KeyRows rows(table);
  std::vector<std::string> stored;
  for (int n = 0; n < 1100; ++n) {
    // Every third store repeats a key already there, which must not take a new row.
    const std::string key = n % 3 == 2 && !stored.empty() ? stored[n % stored.size()] : "n" + std::to_string(n);
    const std::optional<std::size_t> slot = rows.slot(key);
    ASSERT_EQ(slot, slot_by_scan(table, key)) << key;
    if (!slot) continue;
    if (table[*slot].key.empty()) {
      table[*slot].key = key;
      rows.key_stored(*slot);
      stored.push_back(key);
    }
    ASSERT_EQ(rows.find(key), slot) << key;
  }
  EXPECT_FALSE(rows.slot("one-more"));
  EXPECT_EQ(stored.size(), 998u - 480u);  // every free row of the searched part, once
  const KeyRows fresh(table);
  for (const std::string& key : stored) EXPECT_EQ(rows.find(key), fresh.find(key)) << key;

  // Rows emptied again are free after a rebuild, the first of them first.
  table[700].key.clear();
  table[100].key.clear();
  rows.rebuild();
  EXPECT_EQ(rows.slot("again"), 100u);
  EXPECT_EQ(rows.find(stored.front()), fresh.find(stored.front()));
}

}  // namespace
}  // namespace vexa
