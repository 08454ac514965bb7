#pragma once
// Temperatures (degrees C) of type K and type J thermocouples at the voltage of every 4096th
// count of an S class input, with the underflow mark first and the overflow mark last.
#include <array>

namespace vexa {

extern const std::array<float, 96> kThermocoupleK;   // entry i at count -36864 + 4096 i
extern const std::array<float, 120> kThermocoupleJ;  // entry i at count -49152 + 4096 i

}  // namespace vexa
