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

AssignmentReader::AssignmentReader(std::string_view line) : body_(line_body(line)) {}

std::optional<AssignmentView> AssignmentReader::next() {
  if (done_) return std::nullopt;
  while (pos_ < body_.size() && body_[pos_] == ' ') ++pos_;
  done_ = true;  // unless a plain value below ends at a blank
  if (pos_ < body_.size() && body_[pos_] == '#') return std::nullopt;  // the rest is a comment
  const std::size_t equals = body_.find('=', pos_);
  if (equals == std::string_view::npos) return std::nullopt;

  std::string_view key = body_.substr(pos_, equals - pos_);
  const std::string_view rest = body_.substr(equals + 1);
  AssignmentField field = AssignmentField::value;
  if (const std::size_t dot = key.find('.'); dot != std::string_view::npos) {
    const std::string_view suffix = key.substr(dot + 1);
    if (suffix == "name") {
      field = AssignmentField::name;
    } else if (suffix == "type") {
      field = AssignmentField::type;
    } else {
      return std::nullopt;
    }
    key = key.substr(0, dot);
  }
  if (key.size() > kParameterKeyChars) return std::nullopt;

  std::string_view text = rest;
  if (field == AssignmentField::value && !is_macro_key(key)) {
    if (const std::size_t blank = rest.find(' '); blank != std::string_view::npos) {
      text = rest.substr(0, blank);
      pos_ = equals + 1 + blank + 1;
      done_ = false;
    }
  }
  return AssignmentView{key, field, text};
}

std::vector<Assignment> split_assignments(std::string_view line) {
  std::vector<Assignment> result;
  AssignmentReader reader(line);
  while (const std::optional<AssignmentView> a = reader.next())
    result.push_back({std::string(a->key), a->field, std::string(a->text)});
  return result;
}

std::optional<std::size_t> store_assignment(ParameterTable& table, KeyRows& rows,
                                            const AssignmentView& assignment) {
  // An empty key ('=5') finds no row of its own and lands in the first free row, which it
  // leaves free: the next new key takes that row over.
  const std::optional<std::size_t> index = rows.slot(assignment.key);
  if (!index) return std::nullopt;
  ParameterRecord& record = table[*index];
  if (record.key.empty()) {
    store_parameter_text(record.key, assignment.key);
    rows.key_stored(*index);
  }
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
  AssignmentReader reader(line);
  while (const std::optional<AssignmentView> next = reader.next()) {
    // The edits capture this one step by reference: a std::function keeps so small a capture
    // in place, where four references would cost an allocation per assignment.
    struct Step {
      const AssignmentView& assignment;
      const AssignmentHooks& hooks;
      std::optional<std::size_t> index;
      std::optional<std::string> value_for_type;
    } step{*next, hooks, std::nullopt, std::nullopt};
    access([&step](ParameterTable& table, KeyRows& rows) {
      step.index = store_assignment(table, rows, step.assignment);
      if (step.index && step.hooks.type_defaults && wants_default_type(table[*step.index])) {
        step.value_for_type = table[*step.index].value;
      }
      return step.index;
    });
    if (step.index) {
      ++stored;
      if (step.value_for_type) {
        if (std::optional<std::string> title = hooks.type_defaults->default_type(*step.value_for_type)) {
          access([&step, &title](ParameterTable& table, KeyRows&) -> std::optional<std::size_t> {
            ParameterRecord& record = table[*step.index];
            if (record.key != step.assignment.key || !record.type.empty()) return std::nullopt;
            store_parameter_text(record.type, *title);
            return step.index;
          });
        }
      }
      if (hooks.listener) hooks.listener->parameter_changed(next->key);
    }
    if (hooks.presence) hooks.presence->note_key(next->key);
  }
  return stored;
}

std::size_t parse_assignments(ParameterTable& table, std::string_view line,
                              const AssignmentHooks& hooks) {
  KeyRows rows(table);
  return parse_assignments(table, rows, line, hooks);
}

std::size_t parse_assignments(ParameterTable& table, KeyRows& rows, std::string_view line,
                              const AssignmentHooks& hooks) {
  return store_assignments(
      line, hooks,
      [&table, &rows](const TableEdit& edit) { edit(table, rows); });
}

}  // namespace vexa
