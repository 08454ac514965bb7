#include "sim/board_loader.h"

#include <fstream>

namespace vexa::sim {

void BoardLoader::configure(const LoaderOptions& options) {
  options_ = options;
  const auto rows = loader_types();
  if (options_.row < 0 || options_.row + 1 >= static_cast<int>(rows.size())) options_.row = 1;
  flash_.assign(row().image_size(), 0xFF);
}

const LoaderType& BoardLoader::row() const { return loader_types()[static_cast<std::size_t>(options_.row)]; }

bool BoardLoader::enter() {
  if (!options_.banner) return false;
  if (flash_.size() != row().image_size()) flash_.assign(row().image_size(), 0xFF);
  active_ = true;
  state_ = State::idle;
  collected_.clear();
  bin_address_ = 0;
  return true;
}

void BoardLoader::leave() {
  active_ = false;
  state_ = State::idle;
  if (options_.flash_out.empty()) return;
  std::ofstream out(options_.flash_out, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(flash_.data()), static_cast<std::streamsize>(flash_.size()));
}

std::string BoardLoader::end_page() {
  const std::size_t page_size = row().page_size;
  const unsigned start = state_ == State::frame ? bin_address_ : address_;
  for (std::size_t i = 0; i < page_size && start + i < flash_.size(); ++i)
    flash_[start + i] = static_cast<std::uint8_t>(collected_[i]);
  const int page = static_cast<int>(start / page_size);
  ++pages_written_;
  std::string reply;
  if (state_ == State::frame) {
    bin_address_ += static_cast<unsigned>(page_size);
    reply.push_back(kLoaderAck);
  } else {
    char first = collected_[0];
    if (page == options_.wrong_echo_page) first = static_cast<char>(first ^ 0x5A);
    reply.push_back(first);
  }
  state_ = State::idle;
  collected_.clear();
  if (!options_.bin_frames && page + 1 == static_cast<int>(row().page_count)) leave();
  return reply;
}

std::string BoardLoader::feed(unsigned char byte) {
  const std::size_t page_size = row().page_size;
  switch (state_) {
    case State::idle:
      if (byte == ':') {
        state_ = options_.bin_frames ? State::frame : State::header;
        collected_.clear();
        return {};
      }
      if (byte == '\r' || byte == '\n') return {};
      state_ = State::text;
      collected_.assign(1, static_cast<char>(byte));
      return {};
    case State::header:
      collected_.push_back(static_cast<char>(byte));
      if (collected_.size() < 2) return {};
      address_ = static_cast<unsigned char>(collected_[0]) | static_cast<unsigned char>(collected_[1]) << 8;
      state_ = State::page;
      collected_.clear();
      return std::string(1, static_cast<char>(address_ >> 8));
    case State::page:
    case State::frame:
      collected_.push_back(static_cast<char>(byte));
      if (collected_.size() < page_size) return {};
      return end_page();
    case State::text:
      if (byte == '\r') return {};
      if (byte != '\n') {
        if (collected_.size() < 1000) collected_.push_back(static_cast<char>(byte));
        return {};
      }
      state_ = State::idle;
      if (collected_ == "go") {
        collected_.clear();
        leave();
        return {};
      }
      collected_.clear();
      ++script_lines_;
      return options_.script_crlf ? "ok\r\n" : "ok\n";
  }
  return {};
}

}  // namespace vexa::sim
