// Phone book files: every entry is cut at the line limit, with no comment, CR or tab left, and
// something but blanks in it; the selection points into the list.

#include "fuzz/fuzz_support.h"
#include "link/phone_book.h"

using vexa::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexa::fuzz::Bytes bytes(data, size);
  const std::size_t prefix_length = bytes.take() % 8;
  const std::string_view text = bytes.rest();
  const std::vector<std::string> entries = vexa::parse_phone_book(text);
  for (const std::string& entry : entries) {
    check(!entry.empty() && entry.size() <= vexa::kPhoneBookLineChars);
    check(entry.find_first_of("#\r\n\t") == std::string::npos);
    check(entry.find_first_not_of(' ') != std::string::npos);
  }
  const std::string phone(text.substr(0, std::min(prefix_length, text.size())));
  const vexa::PhoneList list = vexa::phone_list(entries, phone);
  check(list.entries == entries);
  check(entries.empty() ? list.selected == -1
                        : list.selected >= 0 && static_cast<std::size_t>(list.selected) < entries.size());
  return 0;
}
