#pragma once
// The machine-readable record of one factory test (JSON): the board's identity, the time, the
// verdict, and each test with its state and the values checked against their limits.
#include <array>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "factory/factory_test.h"

namespace vexa {

struct FactoryReport {
  std::string identity_line;  // as the board named itself
  char type_letter = 'S';
  std::tm local_time{};
  std::array<int, kFactoryTestCount> states{};
  std::vector<FactoryCheck> checks;
};

// Whether every test the board type runs passed (false for a type without tests).
bool factory_passed(char letter, const std::array<int, kFactoryTestCount>& states);
// The short names of the tests the type runs that did not pass, in test order.
std::vector<std::string> factory_failures(char letter, const std::array<int, kFactoryTestCount>& states);
// "passed", "failed" or "no result".
std::string_view factory_state_word(int state);

// A JSON text (board bytes are read as Windows-1252), ending with a line feed.
std::string factory_report_json(const FactoryReport& report);

}  // namespace vexa
