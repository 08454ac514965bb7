#include "analog/input_types.h"

#include <cctype>
#include <utility>

#include "analog/type_prefix.h"

namespace vexa {

std::uint32_t input_type_board_bit(char letter) {
  const int lower = std::tolower(static_cast<unsigned char>(letter));
  return std::uint32_t{1} << (static_cast<unsigned>(lower - 'a') & 31u);
}

bool InputType::applies_to(char board_letter, int input) const {
  if (input < 0 || input >= static_cast<int>(kInputTypeInputs)) return false;
  return (board_mask & input_type_board_bit(board_letter)) != 0 && inputs.test(static_cast<std::size_t>(input));
}

InputTypeTable::InputTypeTable(std::vector<InputType> entries) : entries_(std::move(entries)) {
  if (entries_.size() > kInputTypeEntries) entries_.resize(kInputTypeEntries);
}

const InputType* InputTypeTable::entry(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return nullptr;
  return &entries_[static_cast<std::size_t>(index)];
}

std::optional<std::string> InputTypeTable::default_type(std::string_view value) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (match_type_prefix(it->mode, value)) return it->title;
  }
  return std::nullopt;
}

}  // namespace vexa
