// Reading identity lines, and what accepting one does to the table and the listeners.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/board_identity.h"
#include "config/configuration.h"

namespace vexa {
namespace {

TEST(BoardIdentityParse, NameTypeLetterAndFirmwareFrom400To2999) {
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
      {"X F v400", true},        {"X F v2999", true},           {"X F v 700", true},  // atoi reads the number
      {"X F v+700", true},       {"X F v700x", true},           {"ABCDEFGHIJKLMNOPQRST S v600", true},
      {"VexaLog S v399", false}, {"VexaLog S v3000", false},    {"ABCDEFGHIJKLMNOPQRSTU S v600", false},
      {"VexaLog S 1404", false}, {"VexaLog SS v600", false},    {"VexaLog S v-600", false},
      {"VexaLog S v", false},    {"VexaLog", false},            {"", false},
      {" VexaLog S v1404", false}, {"VexaLog  S v1404", false}, {"Vexa-Log S v1404", false},
      {"VexaLog 5 v600", false}, {"VexaLog S  v600", false},    {"VexaLog S ", false},
      {"Ok", false},             {"VexaLog S v99999999999999999999", false}, {"VexaLog\xe9 S v600", false},
  };
  for (const auto& row : rows) EXPECT_EQ(parse_identity_line(row.line).has_value(), row.accepted) << row.line;
}

// A listener may read the identity and the table again from inside the notice.
struct RecordingListener : TargetChangeListener {
  BoardIdentity* identity = nullptr;
  Configuration* config = nullptr;
  std::vector<BoardIdentityData> seen;
  std::vector<std::string> lines_read;
  void target_changed(const BoardIdentityData& id) override {
    seen.push_back(id);
    lines_read.push_back(identity->line() + (config->has_any_value() ? " loaded" : ""));
  }
};

TEST(BoardIdentityAccept, ClearsTheTableAndTellsListenersEvenForTheSameLine) {
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
  EXPECT_EQ(listener.lines_read, (std::vector<std::string>{"VexaLog F v603", "VexaLog F v603"}));
  EXPECT_EQ(listener.seen.back(), identity.current());
  identity.remove_listener(&listener);
  EXPECT_TRUE(identity.accept_identity("VexaLog v520"));
  EXPECT_EQ(listener.seen.size(), 2u);
  EXPECT_EQ(identity.type_letter(), '2');
  EXPECT_EQ(identity.firmware_version(), 520);
}

}  // namespace
}  // namespace vexa
