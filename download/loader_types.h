#pragma once
// The boards' loaders: which image identity belongs to which board type, how the loader cuts
// an image into pages, the speed it talks at and the banner it prints when it starts.
#include <cstdint>
#include <span>
#include <string_view>

namespace vexa {

struct LoaderType {
  std::uint32_t identity = 0;
  char letter = '?';
  std::uint32_t page_size = 0;
  std::uint32_t page_count = 0;
  long speed = 0;
  const char* banner = "";

  std::uint32_t image_size() const { return page_size * page_count; }
};

// The rows in order; the last is the end marker (identity 0) and the default row.
std::span<const LoaderType> loader_types();
const LoaderType& default_loader_type();

// The first row with this identity (never the end row), else the default row.
const LoaderType& find_loader_type(std::uint32_t identity);

// The row whose banner equals line exactly (the end row's banner never matches); null if none.
const LoaderType* loader_type_for_banner(std::string_view line);

}  // namespace vexa
