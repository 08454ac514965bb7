#pragma once
// Temperature linearisation of S class counts: thermocouples (type 'k', subtype 1 type J,
// otherwise type K) and the resistance thermometer table of type 'p'. Results are degrees C
// times 100.
namespace vexa {

inline constexpr int kThermocoupleStepCounts = 4096;
inline constexpr int kThermocoupleBaseK = -36864;
inline constexpr int kThermocoupleBaseJ = -49152;
inline constexpr int kResistanceStepCounts = 122880;

float linearize_k(float raw, int subtype);
float linearize_p(float raw);

}  // namespace vexa
