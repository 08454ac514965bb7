// The configuration table (built-in tables, key index, assignment lines, reset, hooks, threads),
// identity lines and the grid over the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "config/board_identity.h"
#include "config/config_grid.h"
#include "config/configuration.h"
#include "config/key_rows.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"

namespace vexa {
namespace {

// Each language's 1000 rows: defined rows with unique keys and names, then free rows; every row
// as in English but for its name.
TEST(ParameterTables, EveryLanguageHasTheDefinedRowsThenFreeRows) {
  const ParameterTable& en = language_table('e');
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
      EXPECT_TRUE(keys.insert(r.key).second) << "duplicate key " << r.key;
      EXPECT_FALSE(r.name.empty()) << r.key;
    }
  }
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
  EXPECT_EQ(rows.slot("bd"), 3u);  // a free slot before the key wins
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
      {"bd=1 m12=1 x=2", {{"bd", F::value, "1"}, {"m12", F::value, "1 x=2"}}},
      {"mo=1 sf=2", {{"mo", F::value, "1"}, {"sf", F::value, "2"}}},  // 'mo' is no macro
      {"a3.name=Inside a3=a*1+0", {{"a3", F::name, "Inside a3=a*1+0"}}},
      {"bd=1 a3.unit=V sf=2", bd},
      {"abcdefg=1", {}},
      {"abcdef=1", {{"abcdef", F::value, "1"}}},
      {"bd=1 #sf=2", bd},
      {"fs=#1", {{"fs", F::value, "#1"}}},
      {"bd=1 trailing", bd},
      {"bd=1\rsf=2", bd},
      {std::string_view("bd=1\0sf=2", 9), bd},
      {"=5 bd=1", {{"", F::value, "5"}, {"bd", F::value, "1"}}},
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

// Every row equals the built-in row of the language but for its control id.
void expect_reset_to(const Configuration& config, char language,
                     const std::function<std::uint32_t(std::size_t)>& control_id) {
  const ParameterTable table = config.snapshot();
  ASSERT_EQ(table.size(), kConfigurationRecords);
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].control_id, control_id(i)) << i;
    ParameterRecord without_id = table[i];
    without_id.control_id = 0;
    EXPECT_EQ(without_id, language_table(language)[i]) << i;
  }
  EXPECT_FALSE(config.has_any_value());
}

TEST(Configuration, ResetTakesTheLanguageTableAndKeepsOnlyControlIds) {
  expect_reset_to(Configuration('d'), 'd', [](std::size_t) { return 0u; });
  Configuration config('e');
  config.parse_assignments("bd=9600 zz=1 a3.name=Mine", false);
  config.parse_assignments("a3.type=Pt100", false);
  for (std::size_t i = 0; i < 998; i += 7) config.set_control_id(i, 1000 + 4 * i);
  const std::size_t zz = *config.find_index("zz");
  config.set_control_id(zz, 77);
  config.set_language('f');  // takes effect at the next reset
  EXPECT_EQ(config.find_parameter("rn")->name, "Filename rs232");
  // The tab stores by row, on defined rows, new rows and the last row.
  for (const std::size_t row : {std::size_t{0}, std::size_t{5}, zz + 1, std::size_t{997}}) {
    config.store_value(row, "v");
    config.store_name(row, "renamed");
    config.store_type(row, "T");
  }
  config.reset_configuration();
  const auto ids = [zz](std::size_t i) -> std::uint32_t { return i == zz ? 77u : (i % 7 == 0 ? 1000 + 4 * i : 0u); };
  expect_reset_to(config, 'f', ids);  // the undefined key's slot is free again, too
}

// Hooks run with the table unlocked: each one reads the table again, and sees the store.
TEST(Configuration, StoresTellTheHooksWhichMayReadTheTable) {
  Configuration config('e');
  struct Hooks : InputTypeDefaults, ParameterListener, RebuildRequester {
    Configuration* config = nullptr;
    mutable std::vector<std::string> typed;  // a2's value whenever a default type is asked for
    std::vector<std::string> seen;
    int rebuilds = 0;
    std::optional<std::string> default_type(std::string_view value) const override {
      typed.push_back(config->parameter_value("a2").value_or("?"));
      return value == "a*1+0" ? std::optional<std::string>("Voltage") : std::nullopt;
    }
    void parameter_changed(std::string_view key) override {
      const std::optional<ParameterRecord> r = config->find_parameter(key);
      seen.push_back(r ? r->value + "|" + r->type : "none");
    }
    void request_rebuild() override {
      ++rebuilds;
      EXPECT_TRUE(config->presence().is_present(2));
      EXPECT_TRUE(config->has_any_value());
    }
  } hooks;
  hooks.config = &config;
  config.set_input_type_defaults(&hooks);
  config.set_parameter_listener(&hooks);
  config.set_rebuild_requester(&hooks);

  config.parse_assignments("a2=a*1+0 bd=1", true);
  EXPECT_EQ(hooks.typed, (std::vector<std::string>{"a*1+0"}));
  EXPECT_EQ(hooks.rebuilds, 1);
  // Only an input without a type gets the default; a0 to a255 are inputs, marked present once.
  config.parse_assignments("a5.type=Pt100", false);
  config.parse_assignments("a5=a*1+0 a4=x bd=a*1+0 a255=1 a256=1 ad=1", false);
  EXPECT_EQ(config.presence().present_inputs(), (std::vector<int>{2, 4, 5, 255}));
  EXPECT_TRUE(config.presence().take_changed());
  config.parse_assignments("a2=a*2+0 a4.name=y", false);
  EXPECT_FALSE(config.presence().changed());
  // The tabs' stores by key tell the listener too, the value cut to the field.
  EXPECT_TRUE(config.set_parameter("m3", "30,1000ms,st;up x"));
  EXPECT_TRUE(config.set_parameter("new", std::string(130, 'q')));
  EXPECT_FALSE(config.set_parameter("", "1"));
  EXPECT_EQ(hooks.seen, (std::vector<std::string>{"a*1+0|Voltage", "1|", "|Pt100", "a*1+0|Pt100", "x|", "a*1+0|",
                                                   "1|", "1|", "1|", "a*2+0|Voltage", "x|",
                                                   "30,1000ms,st;up x|", std::string(99, 'q') + "|"}));
  // The grid's stores by row ignore a row past the table.
  EXPECT_FALSE(config.store_value(5000, "1"));
  config.store_name(5000, "ignored");
  EXPECT_EQ(config.record(5000), ParameterRecord{});
}

// One thread stores received lines (and now and then resets) while another reads copies and
// edits a name; under ThreadSanitizer this shows the table is shared without races, every copy
// must be consistent, and no notice is lost.
TEST(Configuration, ParsingWhileReading) {
  Configuration config('e');
  struct Counter : ParameterListener, RebuildRequester {
    std::atomic<int> changes{0}, rebuilds{0};
    void parameter_changed(std::string_view) override { ++changes; }
    void request_rebuild() override { ++rebuilds; }
  } counter;
  config.set_parameter_listener(&counter);
  config.set_rebuild_requester(&counter);
  constexpr int kLines = 1500;
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    for (int i = 0; i < kLines; ++i) {
      const std::string n = std::to_string(i);
      const std::string input = "a" + std::to_string(i % 40), unknown = "u" + std::to_string(i % 300);
      config.parse_assignments("bd=" + n + " " + input + "=v" + n + " " + unknown + "=" + n, true);
      if (i % 500 == 250) config.reset_configuration();
    }
    done = true;
  });
  for (int snapshots = 0; !done || snapshots == 0; ++snapshots) {
    for (const ParameterRecord& r : config.snapshot()) {
      ASSERT_TRUE(!r.has_value || !r.key.empty()) << r.value;
      ASSERT_TRUE(r.value.empty() || r.has_value) << r.key;
    }
    config.store_name(20, "tab edit");
  }
  receiver.join();
  EXPECT_EQ(counter.changes, 3 * kLines);
  EXPECT_EQ(counter.rebuilds, kLines);
  EXPECT_EQ(config.parameter_value("bd"), std::to_string(kLines - 1));
}

// A listener may read the identity and the table again from inside the notice.
struct RecordingListener : TargetChangeListener {
  BoardIdentity* identity = nullptr;
  Configuration* config = nullptr;
  std::vector<std::string> seen;
  void target_changed(const BoardIdentityData& id) override {
    seen.push_back((id.line == identity->line() ? id.line : "stale") + (config->has_any_value() ? " loaded" : ""));
  }
};

TEST(BoardIdentity, LinesNameTheTypeAndAFirmwareFrom400To2999AndEachAcceptedOneClearsTheTable) {
  EXPECT_EQ(parse_identity_line("VexaLog S v1404"), (BoardIdentityData{"VexaLog S v1404", "VexaLog", 'S', 1404}));
  EXPECT_EQ(parse_identity_line("VexaLog v520"), (BoardIdentityData{"VexaLog v520", "VexaLog", '2', 520}));
  EXPECT_EQ(parse_identity_line("acme7 q v900 beta")->type_letter, 'q');
  const std::string overlong = "VexaLog S v1404 " + std::string(500, 'z');
  EXPECT_EQ(parse_identity_line(overlong)->line, overlong.substr(0, kIdentityLineChars));
  EXPECT_EQ(identity_line_for("acme", 'F', 1404), "acme F v1404");
  const struct {
    const char* line;
    bool accepted;
  } rows[] = {
      {"X F v400", true},        {"X F v2999", true},           {"X F v 700x", true},  // atoi reads the number
      {"ABCDEFGHIJKLMNOPQRST S v600", true}, {"ABCDEFGHIJKLMNOPQRSTU S v600", false},
      {"VexaLog S v399", false}, {"VexaLog S v3000", false},    {"VexaLog S 1404", false},
      {"VexaLog 5 v600", false}, {"", false},                   {"Vexa-Log S v1404", false},
      {"VexaLog", false},
  };
  for (const auto& row : rows) EXPECT_EQ(parse_identity_line(row.line).has_value(), row.accepted) << row.line;
  // Accepting a line clears the table and tells the listeners, even for the same line.
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog S v1404"));
  RecordingListener listener;
  listener.identity = &identity;
  listener.config = &config;
  identity.add_listener(&listener);
  identity.add_listener(&listener);  // once only
  config.parse_assignments("bd=9600 a3.name=Mine", false);
  EXPECT_FALSE(identity.accept_identity("VexaLog S 1404"));
  EXPECT_EQ(config.parameter_value("bd"), "9600");  // a rejected line changes nothing
  EXPECT_EQ(identity.line(), "VexaLog S v1404");
  EXPECT_TRUE(identity.accept_identity("VexaLog F v603"));
  EXPECT_EQ(config.find_parameter("a3")->name, "a3");
  config.parse_assignments("bd=9600", false);
  EXPECT_TRUE(identity.accept_identity("VexaLog F v603"));
  EXPECT_FALSE(config.has_any_value());
  identity.remove_listener(&listener);
  EXPECT_TRUE(identity.accept_identity("VexaLog v520"));
  EXPECT_EQ(identity.current(), *parse_identity_line("VexaLog v520"));
  EXPECT_EQ(listener.seen, (std::vector<std::string>{"VexaLog F v603", "VexaLog F v603"}));
}

struct RecordingHooks : ConfigGridHooks {
  int refreshes = 0, layouts = 0;
  void refresh_other_tabs() override { ++refreshes; }
  void layout_changed() override { ++layouts; }
};

// The configuration grid over the table: rows and ids, edits committed back, scrolling.
TEST(ConfigGrid, RowsOfValuedRecordsTakeEditsBackUntilANewBoardClearsThemAndScrollWithinLimits) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog S v1404"));
  RecordingHooks hooks;
  ConfigGrid grid(config, &hooks);
  config.parse_assignments("bd=9600 sf=0", false);
  grid.build_config_tab();
  ASSERT_EQ(grid.rows().size(), 2u);
  const ConfigRow& bd = grid.rows()[0];
  EXPECT_EQ(bd.field(ConfigColumn::key), "bd");
  EXPECT_EQ(bd.field(ConfigColumn::value), "9600");
  EXPECT_EQ(config.find_parameter("sf")->control_id, 5u);  // four fields a row
  EXPECT_EQ(grid.row_of_control(8), &grid.rows()[1]);
  EXPECT_EQ(grid.row_of_control(9), nullptr);
  EXPECT_EQ(hooks.refreshes, 1);
  EXPECT_EQ(hooks.layouts, 1);
  EXPECT_TRUE(grid.set_field_text(2, "19200"));  // bd's value
  EXPECT_TRUE(grid.set_field_text(7, "Flow"));   // sf's name
  EXPECT_FALSE(grid.set_field_text(1, "xx"));    // the key is read-only
  EXPECT_FALSE(grid.set_field_text(99, "t"));
  grid.commit_config_tab();
  EXPECT_EQ(config.parameter_value("bd"), "19200");
  EXPECT_EQ(config.find_parameter("sf")->name, "Flow");
  EXPECT_EQ(config.find_parameter("bd")->name, "Baudrate");
  // Overlong edits are held to 299 characters and stored to the field's 99.
  EXPECT_TRUE(grid.set_field_text(2, std::string(500, '7')));
  EXPECT_EQ(grid.rows()[0].field(ConfigColumn::value).size(), kConfigEditChars);
  grid.commit_config_tab();
  EXPECT_EQ(config.parameter_value("bd"), std::string(kParameterTextChars, '7'));
  identity.accept_identity("VexaLog F v1404");
  grid.build_config_tab();
  EXPECT_TRUE(grid.rows().empty());
  EXPECT_EQ(config.find_parameter("bd")->control_id, 0u);
  grid.set_client_height(300);
  grid.build_config_tab();
  grid.scroll_config_tab(0, 100);
  EXPECT_EQ(grid.scroll_bar(), (ScrollBarState{0, 0, 0}));
  for (int i = 0; i < 40; ++i) config.parse_assignments("a" + std::to_string(i) + "=a*1+0", false);
  grid.build_config_tab();
  EXPECT_EQ(grid.scroll_config_tab(ScrollHow::to_position, 10000), -479);
  EXPECT_EQ(grid.scroll_bar(), (ScrollBarState{760, 300, 479}));
  EXPECT_EQ(grid.scroll_config_tab(1), 0);  // already at the end
  EXPECT_EQ(grid.scroll_config_tab(-1), 19);
  EXPECT_EQ(grid.scroll_config_tab(0, -50), 460);
  EXPECT_EQ(grid.scroll_config_tab(7), 0);  // unknown request: nothing
  // A taller window re-applies the limit; a rebuild starts at the top.
  grid.scroll_config_tab(0, 400);
  grid.set_client_height(700);
  grid.scroll_config_tab(ScrollHow::keep);
  EXPECT_EQ(grid.scroll_position(), 79);
  grid.build_config_tab();
  EXPECT_EQ(grid.scroll_position(), 0);
}

}  // namespace
}  // namespace vexa
