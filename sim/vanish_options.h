#pragma once
// The board vanishing like a pulled USB adapter: after a number of replies (any job), and
// coming back after a while under the same name, as after a power cycle. The loader's and the
// card's own vanish options (after pages, after chunks) come back the same way.
#include <span>

#include "base/program_options.h"

namespace vexa::sim {

struct VanishOptions {
  int after_replies = 0;   // vanish once this many replies were sent (0: never)
  int back_after_ms = -1;  // come back after this long (-1: stay away; the server ends)
};

// "--vanish-after-replies N" and "--back-after MS", as rows of vexaboard's command line.
std::span<const OptionRow<VanishOptions>> vanish_option_rows();

}  // namespace vexa::sim
