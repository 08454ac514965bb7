#include "config/config_grid.h"

#include <algorithm>

#include "base/text_format.h"
#include "config/configuration.h"

namespace vexa {

ConfigGrid::ConfigGrid(Configuration& configuration, ConfigGridHooks* hooks)
    : configuration_(configuration), hooks_(hooks) {}

void ConfigGrid::build_config_tab() {
  if (hooks_) hooks_->refresh_other_tabs();
  scroll_config_tab(ScrollHow::to_position, 0);

  rows_.clear();
  configuration_.clear_control_ids();
  const ParameterTable table = configuration_.snapshot();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (!table[i].has_value) continue;
    ConfigRow row;
    const std::size_t n = rows_.size();
    row.record_index = i;
    row.control_id = static_cast<std::uint32_t>(1 + 4 * n);
    row.y = kConfigRowPitch * static_cast<int>(n);
    const ParameterRecord& record = table[i];
    row.text = {record.key, record.value, record.name, record.type};
    configuration_.set_control_id(i, row.control_id);
    rows_.push_back(std::move(row));
  }
  content_height_ = kConfigRowPitch * static_cast<int>(rows_.size());
  scroll_config_tab(ScrollHow::keep);
  if (hooks_) hooks_->layout_changed();
}

const ConfigRow* ConfigGrid::row_of_control(std::uint32_t control_id) const {
  for (const ConfigRow& row : rows_)
    if (control_id >= row.control_id && control_id < row.control_id + 4) return &row;
  return nullptr;
}

ConfigRow* ConfigGrid::find_row(std::uint32_t control_id) {
  return const_cast<ConfigRow*>(row_of_control(control_id));
}

void ConfigGrid::commit_config_tab() {
  for (const ConfigRow& row : rows_) {
    configuration_.store_value(row.record_index,
                               limited(row.field(ConfigColumn::value), kConfigEditChars));
    configuration_.store_name(row.record_index,
                              limited(row.field(ConfigColumn::name), kConfigEditChars));
  }
}

bool ConfigGrid::set_field_text(std::uint32_t control_id, std::string_view text) {
  ConfigRow* row = find_row(control_id);
  if (!row) return false;
  const std::uint32_t column = control_id - row->control_id;
  if (!kConfigColumns[column].editable) return false;
  row->text[column] = limited(text, kConfigEditChars);
  return true;
}

void ConfigGrid::set_client_height(int height) { client_height_ = std::max(0, height); }

int ConfigGrid::largest_scroll_position() const {
  return std::max(0, content_height_ - client_height_ + kConfigRowPitch);
}

int ConfigGrid::scroll_config_tab(int how, int position) {
  switch (how) {
    case -1: return scroll_config_tab(ScrollHow::row_up, position);
    case 1: return scroll_config_tab(ScrollHow::row_down, position);
    case 0: return scroll_config_tab(ScrollHow::to_position, position);
    case 2: return scroll_config_tab(ScrollHow::keep, position);
    default: return 0;
  }
}

int ConfigGrid::scroll_config_tab(ScrollHow how, int position) {
  const int old_position = position_;
  long requested = old_position;
  switch (how) {
    case ScrollHow::row_up: requested = static_cast<long>(old_position) - kConfigRowPitch; break;
    case ScrollHow::row_down: requested = static_cast<long>(old_position) + kConfigRowPitch; break;
    case ScrollHow::to_position: requested = position; break;
    case ScrollHow::keep: break;
  }
  position_ = static_cast<int>(std::clamp(requested, 0L, static_cast<long>(largest_scroll_position())));
  bar_.range_max = content_height_;
  bar_.page = std::min(client_height_, content_height_);
  bar_.position = position_;
  const int delta = old_position - position_;
  if (hooks_) hooks_->scrolled(delta, bar_);
  return delta;
}

}  // namespace vexa
