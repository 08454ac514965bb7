// Propose texts of input types: the list stays bounded, its first entry is the empty choice,
// every entry ends with the unit cut to its limit, the raw counts rise and the choices agree.
#include <cmath>

#include "analog/propose_table.h"
#include "fuzz/fuzz_support.h"

using vexa::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexa::fuzz::Bytes bytes(data, size);
  const vexa::BoardClass board_class = static_cast<vexa::BoardClass>(bytes.take() % 3);
  // Input type fields hold at most 99 characters.
  const std::string_view propose = bytes.rest().substr(0, 99);
  const std::vector<vexa::ProposeEntry> list = vexa::propose_list(propose, board_class);
  check(list.size() <= 10001 && (list.empty() || list[0].text == " "));
  const double full_scale = vexa::adc_constants(board_class).full_scale;
  for (std::size_t k = 1; k < list.size(); ++k) {
    check(list[k].raw <= full_scale);
    if (k > 1) check(list[k].raw > list[k - 1].raw);
    const std::size_t blank = list[k].text.find(' ');
    check(blank != std::string::npos && list[k].text.size() - blank - 1 <= vexa::kProposeUnitChars);
  }
  check(!vexa::propose_choice(propose, 0));
  check(vexa::propose_choice(propose, 1).has_value() == !list.empty());
  return 0;
}
