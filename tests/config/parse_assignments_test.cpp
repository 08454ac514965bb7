// Reading assignment lines: the cutting rules of split_assignments and what parsing a line
// does to a table (slots, fields, limits, the default type, notices and presence flags).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/analog_presence.h"
#include "config/configuration.h"
#include "config/parameter_hooks.h"
#include "config/parse_assignments.h"

namespace vexa {
namespace {

using F = AssignmentField;

// How split_assignments cuts a line: plain values end at blanks; macros, names and types run to
// the end of the line; an unknown field, an overlong key, a comment or a word without '=' stops
// it, keeping what came before; CR, LF and NUL end the line; an empty key is an assignment too.
TEST(SplitAssignments, CuttingRules) {
  using A = std::vector<Assignment>;
  const A bd{{"bd", F::value, "1"}};
  const struct {
    std::string_view line;
    A expected;
  } cases[] = {
      {"bd=9600 sf=0 rx=1", {{"bd", F::value, "9600"}, {"sf", F::value, "0"}, {"rx", F::value, "1"}}},
      {"  bd=9600   sf=0  ", {{"bd", F::value, "9600"}, {"sf", F::value, "0"}}},
      {"bd= sf=2", {{"bd", F::value, ""}, {"sf", F::value, "2"}}},
      {"fs=a=b", {{"fs", F::value, "a=b"}}},
      {"m0=30,1000ms,st;up x", {{"m0", F::value, "30,1000ms,st;up x"}}},
      {"bd=1 m12=1 x=2", {{"bd", F::value, "1"}, {"m12", F::value, "1 x=2"}}},
      {"mo=1 sf=2", {{"mo", F::value, "1"}, {"sf", F::value, "2"}}},  // 'mo' is no macro
      {"a3=a*1+0 a3.name=Inside", {{"a3", F::value, "a*1+0"}, {"a3", F::name, "Inside"}}},
      {"a3.name=Inside a3=a*1+0", {{"a3", F::name, "Inside a3=a*1+0"}}},
      {"a3.type=Pt100 3 wire", {{"a3", F::type, "Pt100 3 wire"}}},
      {"a3.unit=V", {}},
      {"bd=1 a3.unit=V sf=2", bd},
      {"bd=1 a3.Name=x", bd},
      {"abcdefg=1", {}},
      {"abcdef=1", {{"abcdef", F::value, "1"}}},
      {"bd=1 abcdefg.name=x", bd},
      {"# x=1", {}},
      {"   #x=1", {}},
      {"bd=1 #sf=2", bd},
      {"fs=#1", {{"fs", F::value, "#1"}}},
      {"Ok", {}},
      {"VexaLog S v1404", {}},
      {"      ", {}},
      {"bd=1 trailing", bd},
      {"bd=1\r\n", bd},
      {"bd=1\rsf=2", bd},
      {"bd=1\nsf=2", bd},
      {std::string_view("bd=1\0sf=2", 9), bd},
      {"m0=run\r x", {{"m0", F::value, "run"}}},
      {"\nbd=1", {}},
      {"=5 bd=1", {{"", F::value, "5"}, {"bd", F::value, "1"}}},
      {".name=x bd=1", {{"", F::name, "x bd=1"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_assignments(c.line), c.expected) << c.line;
}

// --- parsing into tables ---

TEST(ParseAssignments, FieldsAndLimits) {
  Configuration config('e');
  EXPECT_EQ(config.parse_assignments("bd=9600 sf=0 rx=1", false), 3u);
  EXPECT_EQ(config.parameter_value("bd"), "9600");
  EXPECT_EQ(config.parameter_value("rx"), "1");

  EXPECT_EQ(config.parse_assignments("a3=a*1+0 a3.name=Outside temp", false), 2u);
  ParameterRecord a3 = *config.find_parameter("a3");
  EXPECT_EQ(a3.value, "a*1+0");
  EXPECT_EQ(a3.name, "Outside temp");
  EXPECT_TRUE(a3.has_value);

  // A name or a type alone does not make a value.
  EXPECT_EQ(config.parse_assignments("a4.name=Inside a4=a*1+0", false), 1u);
  ParameterRecord a4 = *config.find_parameter("a4");
  EXPECT_EQ(a4.name, "Inside a4=a*1+0");
  EXPECT_FALSE(a4.has_value);
  EXPECT_TRUE(a4.value.empty());
  config.parse_assignments("a5.type=Pt100", false);
  EXPECT_EQ(config.find_parameter("a5")->type, "Pt100");
  EXPECT_FALSE(config.find_parameter("a5")->has_value);

  config.parse_assignments("m0=30,1000ms,st;up x", false);
  EXPECT_EQ(config.parameter_value("m0"), "30,1000ms,st;up x");

  config.parse_assignments("fs=" + std::string(150, 'v') + " fe=1", false);
  EXPECT_EQ(config.parameter_value("fs"), std::string(99, 'v'));
  EXPECT_EQ(config.parameter_value("fe"), "1");
  config.parse_assignments("a6.name=" + std::string(120, 'n'), false);
  EXPECT_EQ(config.find_parameter("a6")->name.size(), 99u);

  EXPECT_EQ(config.parse_assignments("  bd=19200 # sf=1", false), 1u);
  EXPECT_EQ(config.parameter_value("bd"), "19200");
  EXPECT_EQ(config.parameter_value("sf"), "0");
  // Keys are case-sensitive: 'BD' is an undefined key of its own.
  config.parse_assignments("BD=1", false);
  EXPECT_EQ(config.find_index("BD"), kDefinedParameters);
}

TEST(ParseAssignments, UndefinedKeysTakeFreeSlotsUntilFull) {
  Configuration config('e');
  config.parse_assignments("zz=5", false);
  EXPECT_EQ(config.find_index("zz"), 583u);
  EXPECT_TRUE(config.record(583).has_value);
  config.parse_assignments("zz=6 yy=1", false);
  EXPECT_EQ(config.find_index("zz"), 583u);
  EXPECT_EQ(config.parameter_value("zz"), "6");
  EXPECT_EQ(config.find_index("yy"), 584u);

  // 415 free slots in all; two are used.
  for (int i = 0; i < 413; ++i) {
    ASSERT_EQ(config.parse_assignments("u" + std::to_string(i) + "=1", false), 1u) << i;
  }
  EXPECT_EQ(config.find_index("u412"), 997u);
  EXPECT_EQ(config.parse_assignments("full=1 bd=2 more=3", false), 1u);  // only the known key
  EXPECT_FALSE(config.find_parameter("full"));
  EXPECT_FALSE(config.find_parameter("more"));
  EXPECT_EQ(config.parameter_value("bd"), "2");
  EXPECT_EQ(config.parse_assignments("u5=7", false), 1u);  // an existing undefined key still stores
  EXPECT_FALSE(config.set_parameter("other", "1"));
  EXPECT_EQ(config.snapshot().size(), 998u);
}

TEST(ParseAssignments, EmptyKeyWritesTheFirstFreeRowAndLeavesItFree) {
  Configuration config('e');
  EXPECT_EQ(config.parse_assignments("=5", false), 1u);
  const ParameterRecord free_row = config.record(kDefinedParameters);
  EXPECT_TRUE(free_row.key.empty());
  EXPECT_EQ(free_row.value, "5");
  EXPECT_TRUE(free_row.has_value);
  EXPECT_TRUE(config.has_any_value());
  // The row is still the first free one: the next new key takes it over, value and all.
  config.parse_assignments("zz.name=n", false);
  EXPECT_EQ(config.find_index("zz"), kDefinedParameters);
  EXPECT_TRUE(config.record(kDefinedParameters).has_value);
  config.reset_configuration();
  EXPECT_FALSE(config.has_any_value());
}

TEST(ParseAssignments, ScratchTableUsesOnlyItsFirst998Records) {
  ParameterTable scratch = make_scratch_table();
  EXPECT_EQ(parse_assignments(scratch, "bd=1 a3.name=x"), 2u);
  EXPECT_EQ(scratch[0].key, "bd");
  EXPECT_EQ(scratch[1].key, "a3");
  EXPECT_EQ(scratch[1].name, "x");
  for (int i = 2; i < 998; ++i) parse_assignments(scratch, "k" + std::to_string(i) + "=1");
  EXPECT_EQ(parse_assignments(scratch, "last=1"), 0u);
  EXPECT_TRUE(scratch[998].is_free());
  EXPECT_TRUE(scratch[999].is_free());
}

struct FixedTypes : InputTypeDefaults {
  std::optional<std::string> default_type(std::string_view value) const override {
    if (value.rfind("a*", 0) == 0) return "Voltage";
    return std::nullopt;
  }
};

struct KeyRecorder : ParameterListener {
  std::vector<std::string> keys;
  void parameter_changed(std::string_view key) override { keys.emplace_back(key); }
};

TEST(ParseAssignments, DefaultTypeListenerAndPresence) {
  ParameterTable table = language_table('e');
  FixedTypes types;
  KeyRecorder listener;
  AnalogPresence presence;
  const AssignmentHooks hooks{&types, &listener, &presence};

  parse_assignments(table, "a3=a*1+0 a4=x bd=a*1 a5.type=Pt100", hooks);
  parse_assignments(table, "a5=a*2+0", hooks);
  EXPECT_EQ(table[*find_record(table, "a3")].type, "Voltage");
  EXPECT_TRUE(table[*find_record(table, "a4")].type.empty());  // nothing matched
  EXPECT_TRUE(table[*find_record(table, "bd")].type.empty());  // not an input key
  EXPECT_EQ(table[*find_record(table, "a5")].type, "Pt100");   // a type once set stays
  EXPECT_EQ(listener.keys, (std::vector<std::string>{"a3", "a4", "bd", "a5", "a5"}));
  EXPECT_EQ(presence.present_inputs(), (std::vector<int>{3, 4, 5}));
  EXPECT_TRUE(presence.take_changed());
  EXPECT_FALSE(presence.changed());

  // An input already present does not set the changed flag again; numbers from 256 on and
  // keys like 'ad' are no inputs.
  parse_assignments(table, "a3=a*2+0 a255=1 a256=1 ad=1 a3.name=x", hooks);
  EXPECT_EQ(presence.present_inputs(), (std::vector<int>{3, 4, 5, 255}));
  EXPECT_TRUE(presence.take_changed());
  parse_assignments(table, "a3=a*3+0 a4.name=y", hooks);
  EXPECT_FALSE(presence.changed());
}

TEST(ParseAssignments, RebuildRequestOnlyWhenStoredAndAsked) {
  struct CountingRebuild : RebuildRequester {
    int count = 0;
    void request_rebuild() override { ++count; }
  } rebuild;
  Configuration config('e');
  config.set_rebuild_requester(&rebuild);
  config.parse_assignments("bd=9600 sf=0 rx=1", true);
  EXPECT_EQ(rebuild.count, 1);  // one request per line
  config.parse_assignments("bd=9600", false);
  config.parse_assignments("Ok", true);
  config.parse_assignments("# conf", true);
  config.parse_assignments("a3.unit=V", true);
  EXPECT_EQ(rebuild.count, 1);
  config.set_rebuild_requester(nullptr);
  config.parse_assignments("bd=1", true);
  EXPECT_EQ(rebuild.count, 1);
}

}  // namespace
}  // namespace vexa
