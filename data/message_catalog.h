#pragma once
// The message catalog as built-in data: consecutive entries "<key><letter>_<text>", English
// first (149 with the maker's two English-only entries), a separator of 27 'X', French (147),
// another separator, German (147). The array ends with an empty entry.
namespace vexa {
extern const char* const kMessageCatalog[];
}
