#include "sim/memory_card.h"

#include <charconv>

#include "base/text_format.h"

namespace vexa::sim {

namespace {

constexpr std::string_view kOk = "Ok\r\n";

std::string error(std::string_view what) { return "Error " + std::string(what) + "\r\n"; }

// A card file name: no directories, nothing hidden.
bool plain_name(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos && name.front() != '.' &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace

std::optional<std::string> MemoryCard::execute(std::string_view line) {
  if (line.substr(0, 3) != "fd ") return std::nullopt;
  std::string_view rest = line.substr(3);
  if (options_.folder.empty()) return error("no card");
  if (!rest.empty() && rest.front() == '+') return chunk(rest.substr(1));
  if (!rest.empty() && rest.front() == '!') return close(rest.substr(1));
  if (!plain_name(rest)) return error("bad file name");
  file_.close();
  file_.clear();
  file_.open(options_.folder + "/" + std::string(rest), std::ios::binary | std::ios::trunc);
  if (!file_) return error("cannot create file");
  bytes_ = sum_ = 0;
  chunks_ = 0;
  closed_well_ = false;
  return std::string(kOk);
}

std::string MemoryCard::chunk(std::string_view hex) {
  ++chunks_;
  if (options_.stall_from_chunk > 0 && chunks_ >= options_.stall_from_chunk) return "ok";
  if (chunks_ == options_.lose_ack_chunk) return "ok";
  if (!file_.is_open()) return error("no file open");
  if (hex.size() < 2 || hex.size() % 2 != 0) return error("bad chunk");
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int high = hex_digit_value(hex[i]), low = hex_digit_value(hex[i + 1]);
    if (high < 0 || low < 0) return error("bad chunk");
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  const unsigned checksum = static_cast<unsigned char>(bytes.back());
  bytes.pop_back();
  unsigned sum = 0;
  for (char c : bytes) sum += static_cast<unsigned char>(c);
  if ((sum & 0xFF) != checksum) return error("checksum");
  file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file_.flush();
  bytes_ += static_cast<std::int64_t>(bytes.size());
  sum_ += sum;
  return options_.upper_ack ? "OK\n" : std::string(kOk);
}

std::string MemoryCard::close(std::string_view totals) {
  if (!file_.is_open()) return error("no file open");
  long long bytes = -1, sum = -1;
  const char* end = totals.data() + totals.size();
  auto first = std::from_chars(totals.data(), end, bytes);
  const char* next = first.ptr;
  while (next < end && *next == ' ') ++next;
  auto second = std::from_chars(next, end, sum);
  file_.close();
  if (first.ec != std::errc() || second.ec != std::errc() || bytes != bytes_ || sum != sum_)
    return error("totals");
  closed_well_ = true;
  return std::string(kOk);
}

}  // namespace vexa::sim
