// vexaterm --port and --baud: the start-up port and speed reach the session as settings lines,
// and bad values are refused with a reason.
#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"
#include "base/settings.h"

namespace vexa {
namespace {

CommandLine parse(std::vector<std::string> words) {
  words.insert(words.begin(), "vexaterm");
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  return parse_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(StartPort, PortAndSpeedBecomeTheSessionsStartValues) {
  const CommandLine line = parse({"--port", "/dev/ttyUSB3", "--baud=250000"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.port, "/dev/ttyUSB3");
  EXPECT_EQ(line.options.baud, "250000");
  Settings settings;
  settings.read_settings("/nonexistent");  // as a session without a file
  for (const char* text : {"COM=/dev/ttyUSB3", "Baud=250000"}) {
    const std::string entry = text;
    EXPECT_NE(line.options.session.settings_text.find(entry + "\n"), std::string::npos);
    settings.set_value(entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1));
  }
  const SessionValues values = SessionValues::from_settings(settings);
  EXPECT_EQ(values.link_name, "/dev/ttyUSB3");
  EXPECT_EQ(values.link_speed, 250000);
  // Without the options nothing is added: the settings' port stands.
  EXPECT_EQ(parse({}).options.session.settings_text, "");
  EXPECT_NE(command_line_help().find("--port PATH"), std::string::npos);
}

TEST(StartPort, BadValuesAreRefusedWithAReason) {
  const std::pair<std::vector<std::string>, const char*> bad[] = {
      {{"--port"}, "needs a port"},          {{"--baud"}, "needs a speed"},
      {{"--baud", "fast"}, "wants a speed"}, {{"--baud", "0"}, "wants a speed"},
      {{"--baud=-9600"}, "wants a speed"},   {{"--port", "a\nBaud=1"}, "wants a port name"},
      {{"--port="}, "wants a port name"},
  };
  for (const auto& [words, reason] : bad) {
    const CommandLine line = parse(words);
    EXPECT_NE(line.error.find(reason), std::string::npos) << words[0] << ": " << line.error;
  }
}

}  // namespace
}  // namespace vexa
