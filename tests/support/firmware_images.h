#pragma once
// Firmware images for the page loader's tests: random bytes that a loader type accepts as its
// own, and their Intel HEX text.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vexa::test {

// An image of size bytes whose HEX identity is identity (the first word makes it so).
std::string image_with_identity(std::size_t size, std::uint16_t identity, unsigned seed);
// 16-byte data records from address 0 and the end record (size a multiple of 16).
std::string to_hex(const std::string& image);

}  // namespace vexa::test
