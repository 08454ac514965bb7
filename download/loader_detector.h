#pragma once
// Recognises a loader's banner among the lines the board prints. The detected row stays valid
// for the next three lines that are no banner, so a download started right after the user
// reset a board into its loader finds it; the fourth forgets it.
#include <mutex>
#include <string>
#include <string_view>

#include "download/loader_types.h"
#include "link/line_consumer.h"

namespace vexa {

inline constexpr int kBannerMissLimit = 3;

// The board identity as the downloads see it.
class LoaderTarget {
 public:
  virtual ~LoaderTarget() = default;
  // The connected board's type letter, 0 while unknown.
  virtual char type_letter() const = 0;
  virtual std::string identity_line() const = 0;
  // A banner was seen: the board is of this type and its identity line is line.
  virtual void loader_recognised(char letter, std::string_view line) = 0;
};

class LoaderDetector final : public LineConsumer {
 public:
  // product_name makes the identity line "<product> <letter> download".
  LoaderDetector(LoaderTarget& target, std::string product_name);

  // The receive thread's line consumer (slot loader), and the downloads' check of the text
  // read after "dl". True when the line is a banner.
  bool check(std::string_view line);
  void on_line(std::string_view line) override { check(line); }

  const LoaderType* detected() const;
  int misses() const;
  void forget();

 private:
  LoaderTarget& target_;
  const std::string product_name_;
  mutable std::mutex mutex_;
  const LoaderType* detected_ = nullptr;
  int misses_ = 0;
};

}  // namespace vexa
