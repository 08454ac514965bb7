#include "analog/linearization.h"

#include <array>

#include "analog/c_number.h"
#include "data/thermocouple_tables.h"

namespace vexa {

namespace {

// The resistance thermometer table: degrees C times 10 at every 122880th count.
constexpr std::array<int, 65> kResistanceTable = {
    -2442, -2350, -2258, -2164, -2070, -1975, -1879, -1783, -1686, -1588, -1489, -1390, -1289,
    -1188, -1086, -983,  -874,  -764,  -653,  -542,  -429,  -316,  -202,  -86,   30,    151,
    273,   396,   520,   646,   772,   900,   1029,  1163,  1298,  1434,  1571,  1710,  1849,
    1990,  2137,  2285,  2435,  2586,  2738,  2892,  3048,  3210,  3373,  3538,  3705,  3873,
    4044,  4221,  4400,  4580,  4762,  4946,  5137,  5332,  5528,  5726,  5927,  6134,  6346};

template <std::size_t N>
float look_up(const std::array<float, N>& table, double raw, double base) {
  const double from_base = raw - base;
  const long long i = truncate_to_int64(from_base / kThermocoupleStepCounts);
  const long long f = truncate_to_int64(from_base - static_cast<double>(kThermocoupleStepCounts) * static_cast<double>(i));
  // The last two entries are the last step and the overflow mark: no interpolation reaches them.
  const long long last_step = static_cast<long long>(N) - 2;
  if (i <= 0) return table.front() * 100.0f;
  if (i >= last_step) return table.back() * 100.0f;
  const double t = table[i] + static_cast<double>(f) * (table[i + 1] - table[i]) / kThermocoupleStepCounts;
  return static_cast<float>(t * 100.0);
}

}  // namespace

float linearize_k(float raw, int subtype) {
  if (subtype == 1) return look_up(kThermocoupleJ, raw, kThermocoupleBaseJ);
  return look_up(kThermocoupleK, raw, kThermocoupleBaseK);
}

float linearize_p(float raw) {
  if (!(raw > 0)) return static_cast<float>(kResistanceTable.front());
  const long long i = truncate_to_int64(static_cast<double>(raw) / kResistanceStepCounts);
  if (i >= 63) return static_cast<float>(kResistanceTable.back());
  const long long f = truncate_to_int64(static_cast<double>(raw) - static_cast<double>(kResistanceStepCounts) * i);
  const unsigned long long d = static_cast<unsigned long long>(kResistanceTable[i + 1] - kResistanceTable[i]);
  const unsigned long long step = (d * static_cast<unsigned long long>(f) + kResistanceStepCounts / 2) / kResistanceStepCounts;
  return static_cast<float>(kResistanceTable[i] + static_cast<long long>(step));
}

}  // namespace vexa
