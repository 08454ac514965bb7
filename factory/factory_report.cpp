#include "factory/factory_report.h"

#include "base/text_format.h"
#include "base/cp1252.h"

namespace vexa {

namespace {

std::string json_string(std::string_view bytes) {
  const std::string text = cp1252_to_utf8(bytes);
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7F) {
      out += format_text("\\u%04x", c);
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

}  // namespace

bool factory_passed(char letter, const std::array<int, kFactoryTestCount>& states) {
  bool any = false;
  for (int i = 0; i < kFactoryTestCount; ++i) {
    if (!factory_test_enabled(letter, i)) continue;
    any = true;
    if (states[static_cast<std::size_t>(i)] != kTestPassed) return false;
  }
  return any;
}

std::vector<std::string> factory_failures(char letter, const std::array<int, kFactoryTestCount>& states) {
  std::vector<std::string> names;
  for (int i = 0; i < kFactoryTestCount; ++i)
    if (factory_test_enabled(letter, i) && states[static_cast<std::size_t>(i)] != kTestPassed)
      names.emplace_back(factory_tests()[static_cast<std::size_t>(i)].name);
  return names;
}

std::string_view factory_state_word(int state) {
  switch (state) {
    case kTestPassed: return "passed";
    case kTestFailed: return "failed";
    default: return "no result";
  }
}

std::string factory_report_json(const FactoryReport& report) {
  const std::tm& t = report.local_time;
  std::string out = "{\n";
  out += "  \"board\": " + json_string(report.identity_line) + ",\n";
  out += "  \"type\": " + json_string(std::string(1, report.type_letter)) + ",\n";
  out += format_text("  \"time\": \"%04d-%02d-%02dT%02d:%02d:%02d\",\n", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                     t.tm_hour, t.tm_min, t.tm_sec);
  out += std::string("  \"passed\": ") + (factory_passed(report.type_letter, report.states) ? "true" : "false") + ",\n";
  out += "  \"tests\": [";
  for (int i = 0; i < kFactoryTestCount; ++i) {
    const FactoryTestInfo& info = factory_tests()[static_cast<std::size_t>(i)];
    const int state = report.states[static_cast<std::size_t>(i)];
    out += i == 0 ? "\n" : ",\n";
    out += format_text("    {\"number\": %d, \"name\": ", i) + json_string(info.name);
    out += ", \"label\": " + json_string(info.label);
    out += std::string(", \"enabled\": ") + (factory_test_enabled(report.type_letter, i) ? "true" : "false");
    out += ", \"result\": " + json_string(factory_state_word(state)) + ", \"checks\": [";
    bool first = true;
    for (const FactoryCheck& check : report.checks) {
      if (check.test != i) continue;
      out += first ? "\n" : ",\n";
      first = false;
      out += "      {\"label\": " + json_string(check.label) + ", \"value\": " + json_string(check.value);
      if (!check.low.empty() || !check.high.empty())
        out += ", \"low\": " + json_string(check.low) + ", \"high\": " + json_string(check.high);
      out += std::string(", \"passed\": ") + (check.passed ? "true" : "false") + "}";
    }
    out += first ? "]}" : "\n    ]}";
  }
  out += "\n  ]\n}\n";
  return out;
}

}  // namespace vexa
