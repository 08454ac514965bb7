#include "support/firmware_images.h"

#include <random>

#include "base/text_format.h"

namespace vexa::test {

std::string random_bytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string image_with_identity(std::size_t size, std::uint16_t identity, unsigned seed) {
  std::string image = random_bytes(size, seed);
  std::uint16_t x = 0;
  for (std::size_t i = 2; i + 1 < size; i += 2)
    x ^= static_cast<std::uint16_t>(static_cast<unsigned char>(image[i]) | static_cast<unsigned char>(image[i + 1]) << 8);
  x ^= identity;
  image[0] = static_cast<char>(x & 0xFF);
  image[1] = static_cast<char>(x >> 8);
  return image;
}

std::string to_hex(const std::string& image) {
  std::string hex;
  for (std::size_t a = 0; a < image.size(); a += 16) {
    hex += format_text(":10%04X00", static_cast<unsigned>(a));
    unsigned sum = 0x10 + (a >> 8) + (a & 0xFF);
    for (std::size_t i = a; i < a + 16; ++i) {
      hex += format_text("%02X", static_cast<unsigned char>(image[i]));
      sum += static_cast<unsigned char>(image[i]);
    }
    hex += format_text("%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
  }
  return hex + ":00000001FF\r\n";
}

}  // namespace vexa::test
