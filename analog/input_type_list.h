#pragma once
// The type list of the analog tab: the input types that suit the board and the input shown,
// and which of them the input's expression selects. The analog tab owns the list and the
// current input type; these functions only compute them from the read-only table.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analog/input_types.h"

namespace vexa {

struct InputTypeList {
  std::vector<int> entries;         // table index of each list position, in file order
  std::vector<std::string> titles;  // the list's texts, one per position

  std::size_t size() const { return entries.size(); }
  bool empty() const { return entries.empty(); }
  // The list position of a table entry, -1 when it is not listed.
  int position_of(int entry) const;
  // The table entry at a list position, -1 for none.
  int entry_at(int position) const;
};

// The entries that apply to the board letter and input number (none for a number outside
// 0..255), in file order.
InputTypeList fill_type_list(const InputTypeTable& table, char board_letter, int input);

struct InputTypeSelection {
  int entry = -1;     // the current input type (table index), -1 for none
  int position = -1;  // the list position shown: the entry's, else 0 in a non-empty list
};

// Selects the input type for an expression and the input's stored type text: the first listed
// entry whose title equals type_text, else the first whose mode matches the value's type
// prefix, else none.
InputTypeSelection select_type_for_value(const InputTypeTable& table, const InputTypeList& list,
                                         std::string_view value, std::string_view type_text);

// The user picked list position: its entry becomes current (none for a position not listed).
InputTypeSelection choose_type(const InputTypeList& list, int position);

}  // namespace vexa
