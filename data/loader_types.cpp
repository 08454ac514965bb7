#include "download/loader_types.h"

#include <array>

namespace vexa {

namespace {

// Rows 2 and 3 share an identity: a lookup finds "Download"; the banner "Download E" picks
// the 115200-baud row. The last row's page size and speed are the SAM-BA download's.
constexpr std::array<LoaderType, 6> kLoaderTypes = {{
    {0x1234, '2', 128, 252, 9600, "download"},
    {0x2345, 'E', 128, 248, 9600, "Download"},
    {0x2345, 'E', 128, 248, 115200, "Download E"},
    {0x3456, 'F', 256, 248, 115200, "Download F"},
    {0x12341234, 'S', 256, 248, 115200, "Download S7"},
    {0, '?', 256, 1024, 115200, "Download sam256"},
}};

}  // namespace

std::span<const LoaderType> loader_types() { return kLoaderTypes; }

const LoaderType& default_loader_type() { return kLoaderTypes.back(); }

const LoaderType& find_loader_type(std::uint32_t identity) {
  for (const LoaderType& row : kLoaderTypes) {
    if (row.identity == 0) break;
    if (row.identity == identity) return row;
  }
  return default_loader_type();
}

const LoaderType* loader_type_for_banner(std::string_view line) {
  for (std::size_t i = 0; i + 1 < kLoaderTypes.size(); ++i)
    if (line == kLoaderTypes[i].banner) return &kLoaderTypes[i];
  return nullptr;
}

}  // namespace vexa
