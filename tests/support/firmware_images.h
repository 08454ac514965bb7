#pragma once
// Firmware images for the loaders' tests: random bytes, random bytes that a loader type accepts
// as its own, and their Intel HEX text.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vexa::test {

// count bytes of a generator seeded with seed: the same for the same seed.
std::string random_bytes(std::size_t count, std::uint32_t seed);
// An image of size bytes whose HEX identity is identity (the first word makes it so).
std::string image_with_identity(std::size_t size, std::uint16_t identity, unsigned seed);
// 16-byte data records from address 0 and the end record (size a multiple of 16).
std::string to_hex(const std::string& image);

}  // namespace vexa::test
