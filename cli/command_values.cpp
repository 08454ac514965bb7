#include "cli/command_values.h"

#include <charconv>

#include "base/text_format.h"

namespace vexa::cli {

namespace {

template <class Number>
std::optional<Number> read_number(const std::string& text) {
  Number value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool usable(const ValueRule& rule, const std::string& value) {
  switch (rule.kind) {
    case ValueRule::Kind::text:
      return true;
    case ValueRule::Kind::whole: {
      auto number = read_number<long long>(value);
      return number && *number >= rule.low && *number <= rule.high;
    }
    case ValueRule::Kind::real: {
      auto number = read_number<double>(value);
      return number && *number >= rule.low && *number <= rule.high;
    }
    case ValueRule::Kind::check:
      return rule.check && rule.check(value);
  }
  return false;
}

std::string wanted(const ValueRule& rule) {
  if (!rule.wants.empty()) return std::string(rule.wants);
  const std::string range = format_text("%.10g to %.10g", rule.low, rule.high);
  return rule.unit.empty() ? range : std::string(rule.unit) + " (" + range + ")";
}

}  // namespace

std::string CommandValues::accept(std::string_view name, const ValueRule& rule, const std::string& value) {
  if (!usable(rule, value)) return std::string(name) + " wants " + wanted(rule) + ", not '" + value + "'";
  values_.insert_or_assign(std::string(name), value);
  return {};
}

bool CommandValues::has(std::string_view name) const { return values_.find(name) != values_.end(); }

std::optional<std::string> CommandValues::text(std::string_view name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

int CommandValues::whole(std::string_view name, int fallback) const {
  auto it = values_.find(name);
  if (it == values_.end()) return fallback;
  return static_cast<int>(read_number<long long>(it->second).value_or(fallback));
}

double CommandValues::real(std::string_view name, double fallback) const {
  auto it = values_.find(name);
  if (it == values_.end()) return fallback;
  return read_number<double>(it->second).value_or(fallback);
}

void add_command_options(ProgramOptions& line, std::span<const CommandOption> rows, CommandValues& values) {
  for (const CommandOption& row : rows)
    line.add(row.spec, [&values, row](const std::string& value) { return values.accept(row.spec.name, row.rule, value); });
}

}  // namespace vexa::cli
