#pragma once
// The input type table: the kinds of sensor an analog input accepts, read once at start-up
// from ainputs.txt and never changed afterwards, so every thread may read it freely.
// Reading the file: analog/input_type_file.h. Texts are UTF-8 like every text of the program.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/parameter_hooks.h"

namespace vexa {

inline constexpr const char* kInputTypeFileName = "ainputs.txt";
inline constexpr std::size_t kInputTypeEntries = 100;
inline constexpr std::size_t kInputTypeInputs = 256;
inline constexpr std::size_t kInputTypeTitleChars = 99;
inline constexpr std::size_t kInputTypeModeChars = 49;
inline constexpr std::size_t kInputTypeSetChars = 99;
inline constexpr std::size_t kInputTypeWarnChars = 49;
inline constexpr std::size_t kInputTypeProposeChars = 99;
inline constexpr std::size_t kInputTypeTextChars = 499;    // description lines with their CR LF
inline constexpr std::size_t kInputTypeHiddenChars = 299;  // debug-only lines with their CR LF
inline constexpr std::size_t kInputTypeFileMaxBytes = 4u << 20;  // the rest of a bigger file is ignored

// The bit of a board type letter in an entry's board mask: (lower-cased letter - 'a') mod 32.
std::uint32_t input_type_board_bit(char letter);

struct InputType {
  std::uint32_t board_mask = 0;
  int pic = 0;                           // cell of the input picture, 0 = none
  std::bitset<kInputTypeInputs> inputs;  // the input numbers the entry applies to
  std::string title;                     // never empty in a loaded table
  std::string mode;                      // type prefix, optional default scaling and ",d=" options
  std::string set;                       // "b=10k,y=x to GND": resistor and jumper marks
  std::string warn;                      // non-empty: a wrong setting may damage the board
  std::string propose;                   // "first real,first raw,real step,raw step,unit"
  std::string txt;                       // description lines, each ending in CR LF
  std::string hide;                      // lines shown in debug mode only, each ending in CR LF

  // Listed for this board and input.
  bool applies_to(char board_letter, int input) const;
};

class InputTypeTable {
 public:
  InputTypeTable() = default;
  explicit InputTypeTable(std::vector<InputType> entries);  // at most the first 100 are kept

  const std::vector<InputType>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const InputType* entry(int index) const;

  // The title of the last entry whose mode matches value by the type prefix, or nothing.
  std::optional<std::string> default_type(std::string_view value) const;

 private:
  std::vector<InputType> entries_;
};

// The default type of stored a<n> parameters, from a table that outlives it.
class TableInputTypeDefaults final : public InputTypeDefaults {
 public:
  explicit TableInputTypeDefaults(const InputTypeTable& table) : table_(table) {}
  std::optional<std::string> default_type(std::string_view value) const override {
    return table_.default_type(value);
  }

 private:
  const InputTypeTable& table_;
};

}  // namespace vexa
