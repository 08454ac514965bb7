#pragma once
// The first steps shown in an empty terminal of the family product.
#include <string_view>

#include "base/report_sink.h"

namespace vexa {

// The text for a language letter ('f' French, 'd' German, English otherwise; either case), as
// UTF-8 with CR LF line breaks and none after the last line.
std::string_view getting_started_text(char language);

// Puts the text into the terminal as board text and flushes it, when is_family_product.
void show_getting_started(CharSink& terminal, bool is_family_product, char language);

}  // namespace vexa
