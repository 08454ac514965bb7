#pragma once
// Complete received lines go to the consumers in a fixed order; the last two only while no
// upload is running.
#include <string_view>

namespace vexa {

enum class ConsumerSlot { upload = 0, analog_tab, data_view, factory_test, loader, configuration, count };

class LineConsumer {
 public:
  virtual ~LineConsumer() = default;
  // Called on the receive thread with each complete line (CR and NUL removed, at most 998).
  virtual void on_line(std::string_view line) = 0;
};

}  // namespace vexa
