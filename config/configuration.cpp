#include "config/configuration.h"

#include <algorithm>

#include "config/parse_assignments.h"

namespace vexa {

Configuration::Configuration(char language_letter)
    : table_(kConfigurationRecords), language_(language_letter) {
  reset_configuration();
}

void Configuration::set_input_type_defaults(const InputTypeDefaults* defaults) {
  type_defaults_.store(defaults);
}
void Configuration::set_parameter_listener(ParameterListener* listener) { listener_.store(listener); }
void Configuration::set_rebuild_requester(RebuildRequester* requester) { rebuild_.store(requester); }

void Configuration::set_language(char language_letter) { language_.store(language_letter); }
char Configuration::language() const { return language_.load(); }
const ParameterTable& Configuration::language_table() const {
  return vexa::language_table(language_.load());
}

void Configuration::reset_configuration() {
  const ParameterTable& source = language_table();
  std::lock_guard lock(mutex_);
  // Only the rows written since the last reset can differ from the built-in table, unless
  // that reset took another language: a load resets first, and copying a thousand records'
  // texts each time would be most of its work.
  const bool whole_table = reset_from_ != &source;
  bool keys_changed = whole_table;
  for (std::size_t i = 0; i < kConfigurationRecords; ++i) {
    if (!whole_table && !written_[i]) continue;
    ParameterRecord& row = table_[i];
    keys_changed = keys_changed || row.key != source[i].key;
    const std::uint32_t control_id = row.control_id;
    row = source[i];
    row.control_id = control_id;
  }
  written_.reset();
  reset_from_ = &source;
  if (keys_changed) rows_.rebuild();
}

void Configuration::note_written(std::size_t index) {
  if (index < kConfigurationRecords) written_.set(index);
}

std::optional<ParameterRecord> Configuration::find_parameter(std::string_view key) const {
  std::lock_guard lock(mutex_);
  if (std::optional<std::size_t> index = rows_.find(key)) return table_[*index];
  return std::nullopt;
}

std::optional<std::size_t> Configuration::find_index(std::string_view key) const {
  std::lock_guard lock(mutex_);
  return rows_.find(key);
}

std::optional<std::string> Configuration::parameter_value(std::string_view key) const {
  std::lock_guard lock(mutex_);
  if (std::optional<std::size_t> index = rows_.find(key)) return table_[*index].value;
  return std::nullopt;
}

ParameterRecord Configuration::record(std::size_t index) const {
  std::lock_guard lock(mutex_);
  return index < table_.size() ? table_[index] : ParameterRecord{};
}

ParameterTable Configuration::snapshot() const {
  std::lock_guard lock(mutex_);
  return table_;
}

bool Configuration::has_any_value() const {
  std::lock_guard lock(mutex_);
  return std::any_of(table_.begin(), table_.end(),
                     [](const ParameterRecord& record) { return record.has_value; });
}

bool Configuration::set_parameter(std::string_view key, std::string_view value) {
  if (key.empty()) return false;
  {
    std::lock_guard lock(mutex_);
    const std::optional<std::size_t> index =
        store_assignment(table_, rows_, AssignmentView{key, AssignmentField::value, value});
    if (!index) return false;
    note_written(*index);
  }
  notify_changed(key);
  return true;
}

std::size_t Configuration::parse_assignments(std::string_view line, bool notify) {
  const AssignmentHooks hooks{type_defaults_.load(), listener_.load(), &presence_};
  const std::size_t stored =
      store_assignments(line, hooks, [this](const TableEdit& edit) {
        std::lock_guard lock(mutex_);
        if (const std::optional<std::size_t> written = edit(table_, rows_)) note_written(*written);
      });
  if (stored > 0 && notify) {
    if (RebuildRequester* requester = rebuild_.load()) requester->request_rebuild();
  }
  return stored;
}

bool Configuration::store_value(std::size_t index, std::string_view value) {
  const std::string_view cut = value.substr(0, kParameterTextChars);
  std::lock_guard lock(mutex_);
  if (index >= table_.size() || table_[index].value == cut) return false;
  note_written(index);
  store_parameter_text(table_[index].value, cut);
  table_[index].has_value = true;
  return true;
}

void Configuration::store_name(std::size_t index, std::string_view name) {
  std::lock_guard lock(mutex_);
  if (index >= table_.size()) return;
  note_written(index);
  store_parameter_text(table_[index].name, name);
}

void Configuration::store_type(std::size_t index, std::string_view type) {
  std::lock_guard lock(mutex_);
  if (index >= table_.size()) return;
  note_written(index);
  store_parameter_text(table_[index].type, type);
}

void Configuration::set_control_id(std::size_t index, std::uint32_t control_id) {
  std::lock_guard lock(mutex_);
  if (index < table_.size()) table_[index].control_id = control_id;
}

void Configuration::clear_control_ids() {
  std::lock_guard lock(mutex_);
  for (ParameterRecord& record : table_) record.control_id = 0;
}

void Configuration::notify_changed(std::string_view key) {
  if (ParameterListener* listener = listener_.load()) listener->parameter_changed(key);
}

}  // namespace vexa
