#pragma once
// The factory test's fixed data: the seven tests (label of the result listing, a short name,
// the board types that run them) and each board type's preparation and test commands.
#include <array>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

inline constexpr int kFactoryTestCount = 7;

// The state of one test.
inline constexpr int kTestNotSeen = 0;
inline constexpr int kTestFailed = 1;
inline constexpr int kTestPassed = 2;

// Test numbers.
inline constexpr int kTestFileData = 0;
inline constexpr int kTestDisk = 1;
inline constexpr int kTestSerialFile = 2;
inline constexpr int kTestResolution = 3;
inline constexpr int kTestConverter = 4;
inline constexpr int kTestClock = 5;
inline constexpr int kTestTemperature = 6;

struct FactoryTestInfo {
  const char* label;  // "file data": the result listing prints "<state> <label>"
  const char* name;   // "data": what the command line program and the simulator call it
  bool on_e, on_f, on_s;
};

const std::array<FactoryTestInfo, kFactoryTestCount>& factory_tests();

// Whether board type letter runs test (and draws its lamp, and counts it in a verdict).
bool factory_test_enabled(char letter, int test);
// The test of a short name, or -1.
int factory_test_by_name(std::string_view name);

// Error window lengths in 100 ms ticks: after the preparation, after the test start.
inline constexpr int kPrepareErrorTicks = 130;
inline constexpr int kTestErrorTicks = 50;
// What an 'S' board is sent to run the resolution test once more.
inline constexpr char kResolutionRerun[] = "ar;ec endTstS";
inline constexpr char kVerdictLine[] = "endTstS";

struct FactoryTypeCommands {
  std::string setup_suffix;             // follows the clock line of the preparation
  int countdown_ticks = 0;              // from the preparation to the test start
  std::vector<std::string> test_lines;  // sent one after the other at the test start
};

// The commands of board type letter at local time (the 'S' suffix carries year and month);
// nothing for a type without a factory test.
std::optional<FactoryTypeCommands> factory_commands(char letter, const std::tm& local);

}  // namespace vexa
