#include "analog/input_type_list.h"

#include "analog/type_prefix.h"

namespace vexa {

int InputTypeList::position_of(int entry) const {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == entry) return static_cast<int>(i);
  }
  return -1;
}

int InputTypeList::entry_at(int position) const {
  if (position < 0 || static_cast<std::size_t>(position) >= entries.size()) return -1;
  return entries[static_cast<std::size_t>(position)];
}

InputTypeList fill_type_list(const InputTypeTable& table, char board_letter, int input) {
  InputTypeList list;
  const auto& entries = table.entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].title.empty() && entries[i].applies_to(board_letter, input)) {
      list.entries.push_back(static_cast<int>(i));
      list.titles.push_back(entries[i].title);
    }
  }
  return list;
}

InputTypeSelection select_type_for_value(const InputTypeTable& table, const InputTypeList& list,
                                         std::string_view value, std::string_view type_text) {
  int taken = -1;
  for (int entry : list.entries) {
    const InputType* type = table.entry(entry);
    if (!type) continue;
    if (type->title == type_text) {
      taken = entry;
      break;
    }
    if (taken < 0 && match_type_prefix(type->mode, value)) taken = entry;
  }
  if (taken < 0) return {-1, list.empty() ? -1 : 0};
  return {taken, list.position_of(taken)};
}

InputTypeSelection choose_type(const InputTypeList& list, int position) {
  const int entry = list.entry_at(position);
  return {entry, entry < 0 ? -1 : position};
}

}  // namespace vexa
