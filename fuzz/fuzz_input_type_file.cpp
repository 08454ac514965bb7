// Input type files in each language: every entry has a title, its fields keep their limits in
// characters whatever the encoding, and a mode finds its own entry's default type.

#include "analog/input_type_file.h"
#include "fuzz/fuzz_support.h"

using vexa::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The fields hold UTF-8; their limits count the file's single-byte characters.
  const auto characters = [](const std::string& text) {
    std::size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  vexa::fuzz::Bytes bytes(data, size);
  constexpr char kLanguages[] = {'e', 'f', 'd'};
  const char language = kLanguages[bytes.take() % 3];
  std::vector<std::string> notes;
  const vexa::InputTypeTable table =
      vexa::parse_input_type_file(bytes.rest(), language, nullptr, vexa::kInputTypeFileName, &notes);
  for (const vexa::InputType& entry : table.entries()) {
    check(!entry.title.empty());
    check(characters(entry.title) <= vexa::kInputTypeTitleChars);
    check(characters(entry.mode) <= vexa::kInputTypeModeChars);
    check(characters(entry.set) <= vexa::kInputTypeSetChars);
    check(characters(entry.warn) <= vexa::kInputTypeWarnChars);
    check(characters(entry.propose) <= vexa::kInputTypeProposeChars);
    check(characters(entry.txt) <= vexa::kInputTypeTextChars);
    check(characters(entry.hide) <= vexa::kInputTypeHiddenChars);
    if (!entry.mode.empty()) check(table.default_type(entry.mode).has_value());
  }
  for (const std::string& note : notes) check(note.find('\n') == std::string::npos);
  return 0;
}
