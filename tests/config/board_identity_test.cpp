// Reading identity lines, and what accepting one does to the table and the listeners.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/board_identity.h"
#include "config/configuration.h"

namespace vexa {
namespace {

TEST(BoardIdentityParse, AcceptedForms) {
  auto s = parse_identity_line("VexaLog S v1404");
  ASSERT_TRUE(s);
  EXPECT_EQ(*s, (BoardIdentityData{"VexaLog S v1404", "VexaLog", 'S', 1404}));
  auto two = parse_identity_line("VexaLog v520");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->type_letter, '2');
  EXPECT_EQ(two->firmware_version, 520);
  auto beta = parse_identity_line("VexaLog E v1404 beta");
  ASSERT_TRUE(beta);
  EXPECT_EQ(beta->line, "VexaLog E v1404 beta");
  EXPECT_EQ(beta->type_letter, 'E');
  // Edges of the number and the name; atoi reading of the number.
  EXPECT_TRUE(parse_identity_line("X F v400"));
  EXPECT_TRUE(parse_identity_line("X F v2999"));
  EXPECT_TRUE(parse_identity_line("X F v 700"));
  EXPECT_TRUE(parse_identity_line("X F v+700"));
  EXPECT_TRUE(parse_identity_line("X F v700x"));
  EXPECT_TRUE(parse_identity_line("ABCDEFGHIJKLMNOPQRST S v600"));  // 20 characters
  EXPECT_EQ(parse_identity_line("acme7 q v900")->type_letter, 'q');
  EXPECT_EQ(identity_line_for("acme", 'F', 1404), "acme F v1404");
}

TEST(BoardIdentityParse, RejectedForms) {
  for (const char* line :
       {"VexaLog S 1404", "VexaLog S v300", "ABCDEFGHIJKLMNOPQRSTU S v600", "VexaLog SS v600",
        "VexaLog S v399", "VexaLog S v3000", "VexaLog S v-600", "VexaLog S v", "VexaLog", "",
        " VexaLog S v1404", "VexaLog  S v1404", "Vexa-Log S v1404", "VexaLog 5 v600",
        "VexaLog S  v600", "VexaLog S", "VexaLog S ", "Ok", "bd=9600 sf=0",
        "VexaLog S v99999999999999999999", "VexaLog\xe9 S v600"}) {
    EXPECT_FALSE(parse_identity_line(line)) << line;
  }
}

TEST(BoardIdentityParse, OverlongLineIsCutToTheField) {
  std::string line = "VexaLog S v1404 " + std::string(500, 'z');
  auto id = parse_identity_line(line);
  ASSERT_TRUE(id);
  EXPECT_EQ(id->line.size(), kIdentityLineChars);
  EXPECT_EQ(id->line, line.substr(0, kIdentityLineChars));
}

struct RecordingListener : TargetChangeListener {
  std::vector<BoardIdentityData> seen;
  void target_changed(const BoardIdentityData& id) override { seen.push_back(id); }
};

TEST(BoardIdentityAccept, ClearsTheTableAndTellsListenersEvenForTheSameLine) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog S v1404"));
  RecordingListener listener;
  identity.add_listener(&listener);
  identity.add_listener(&listener);  // once only

  config.parse_assignments("bd=9600 a3.name=Mine", false);
  EXPECT_FALSE(identity.accept_identity("VexaLog S 1404"));
  EXPECT_EQ(config.parameter_value("bd"), "9600");  // a rejected line changes nothing
  EXPECT_TRUE(listener.seen.empty());
  EXPECT_EQ(identity.line(), "VexaLog S v1404");

  EXPECT_TRUE(identity.accept_identity("VexaLog F v603"));
  EXPECT_FALSE(config.has_any_value());
  EXPECT_EQ(config.find_parameter("a3")->name, "a3");
  ASSERT_EQ(listener.seen.size(), 1u);
  EXPECT_EQ(listener.seen[0].type_letter, 'F');
  EXPECT_EQ(identity.current(), listener.seen[0]);

  config.parse_assignments("bd=9600", false);
  EXPECT_TRUE(identity.accept_identity("VexaLog F v603"));
  EXPECT_FALSE(config.has_any_value());
  EXPECT_EQ(listener.seen.size(), 2u);

  identity.remove_listener(&listener);
  EXPECT_TRUE(identity.accept_identity("VexaLog v520"));
  EXPECT_EQ(listener.seen.size(), 2u);
  EXPECT_EQ(identity.type_letter(), '2');
  EXPECT_EQ(identity.firmware_version(), 520);
}

// A listener may read the identity and the table again from inside the notice.
struct ReadingListener : TargetChangeListener {
  BoardIdentity* identity = nullptr;
  Configuration* config = nullptr;
  std::string line_seen;
  bool loaded_seen = true;
  void target_changed(const BoardIdentityData&) override {
    line_seen = identity->line();
    loaded_seen = config->has_any_value();
  }
};

TEST(BoardIdentityAccept, ListenerMayReadBack) {
  Configuration config('e');
  BoardIdentity identity(config, *parse_identity_line("VexaLog S v1404"));
  ReadingListener listener;
  listener.identity = &identity;
  listener.config = &config;
  identity.add_listener(&listener);
  config.parse_assignments("bd=1", false);
  identity.accept_identity("VexaLog E v1404");
  EXPECT_EQ(listener.line_seen, "VexaLog E v1404");
  EXPECT_FALSE(listener.loaded_seen);
}

}  // namespace
}  // namespace vexa
