#include "config/parse_assignments.h"

#include "config/analog_presence.h"
#include "config/parameter_hooks.h"

namespace vexa {

namespace {

// The part of a line that is read: up to the first CR, LF or NUL.
std::string_view line_body(std::string_view line) {
  const std::size_t end = line.find_first_of(std::string_view("\r\n\0", 3));
  return end == std::string_view::npos ? line : line.substr(0, end);
}

}  // namespace

std::vector<Assignment> split_assignments(std::string_view line) {
  const std::string_view body = line_body(line);
  std::vector<Assignment> result;
  std::size_t pos = 0;
  for (;;) {
    while (pos < body.size() && body[pos] == ' ') ++pos;
    if (pos < body.size() && body[pos] == '#') break;  // the rest is a comment
    const std::size_t equals = body.find('=', pos);
    if (equals == std::string_view::npos) break;

    std::string_view key = body.substr(pos, equals - pos);
    const std::string_view rest = body.substr(equals + 1);
    AssignmentField field = AssignmentField::value;
    if (const std::size_t dot = key.find('.'); dot != std::string_view::npos) {
      const std::string_view suffix = key.substr(dot + 1);
      if (suffix == "name") {
        field = AssignmentField::name;
      } else if (suffix == "type") {
        field = AssignmentField::type;
      } else {
        break;
      }
      key = key.substr(0, dot);
    }
    if (key.size() > kParameterKeyChars) break;

    std::string_view text = rest;
    std::optional<std::size_t> next;
    if (field == AssignmentField::value && !is_macro_key(key)) {
      if (const std::size_t blank = rest.find(' '); blank != std::string_view::npos) {
        text = rest.substr(0, blank);
        next = equals + 1 + blank + 1;
      }
    }
    if (!key.empty()) result.push_back({std::string(key), field, std::string(text)});
    if (!next) break;
    pos = *next;
  }
  return result;
}

std::optional<std::size_t> store_assignment(ParameterTable& table, const Assignment& assignment) {
  if (assignment.key.empty()) return std::nullopt;
  const std::optional<std::size_t> index = find_slot(table, assignment.key);
  if (!index) return std::nullopt;
  ParameterRecord& record = table[*index];
  store_parameter_text(record.key, assignment.key);
  switch (assignment.field) {
    case AssignmentField::value:
      store_parameter_text(record.value, assignment.text);
      record.has_value = true;
      break;
    case AssignmentField::name: store_parameter_text(record.name, assignment.text); break;
    case AssignmentField::type: store_parameter_text(record.type, assignment.text); break;
  }
  return index;
}

bool wants_default_type(const ParameterRecord& record) {
  return !record.key.empty() && record.key[0] == 'a' && record.type.empty();
}

std::size_t store_assignments(std::string_view line, const AssignmentHooks& hooks,
                              const TableAccess& access) {
  std::size_t stored = 0;
  for (const Assignment& assignment : split_assignments(line)) {
    std::optional<std::size_t> index;
    std::optional<std::string> value_for_type;
    access([&](ParameterTable& table) {
      index = store_assignment(table, assignment);
      if (index && hooks.type_defaults && wants_default_type(table[*index])) {
        value_for_type = table[*index].value;
      }
    });
    if (index) {
      ++stored;
      if (value_for_type) {
        if (std::optional<std::string> title = hooks.type_defaults->default_type(*value_for_type)) {
          access([&](ParameterTable& table) {
            ParameterRecord& record = table[*index];
            if (record.key == assignment.key && record.type.empty()) {
              store_parameter_text(record.type, *title);
            }
          });
        }
      }
      if (hooks.listener) hooks.listener->parameter_changed(assignment.key);
    }
    if (hooks.presence) hooks.presence->note_key(assignment.key);
  }
  return stored;
}

std::size_t parse_assignments(ParameterTable& table, std::string_view line,
                              const AssignmentHooks& hooks) {
  return store_assignments(line, hooks, [&table](const std::function<void(ParameterTable&)>& fn) {
    fn(table);
  });
}

}  // namespace vexa
