#pragma once
// What hears complete received lines (see LineConsumers for the order they are heard in).
#include <string_view>

namespace vexa {

class LineConsumer {
 public:
  virtual ~LineConsumer() = default;
  // Called on the receive thread with each complete line (CR and NUL removed, at most 998).
  virtual void on_line(std::string_view line) = 0;
};

}  // namespace vexa
