#pragma once
// The factory standard configuration of each board type, as data. A board of a given
// firmware keeps only the keys that exist on it (see BoardConfiguration).
#include <span>

namespace vexa::sim {

struct FactoryValue {
  const char* key;
  const char* value;
};

// The factory rows of a type letter ('E', 'F', 'S'), in parameter table order; empty for any
// other letter.
std::span<const FactoryValue> factory_values(char type);

}  // namespace vexa::sim
