#pragma once
// The consumers of complete received lines, called in their fixed order on the receive thread.
// While an upload runs, the loader banner check and the configuration handler hear nothing.
#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

#include "link/line_consumer.h"

namespace vexa {

class LineConsumers {
 public:
  // Puts a consumer in its slot (null empties it). Safe while the receive thread runs; the
  // consumer must stay alive until it is removed and the receive thread has stopped using it.
  void attach(ConsumerSlot slot, LineConsumer* consumer);
  void detach(ConsumerSlot slot) { attach(slot, nullptr); }
  LineConsumer* consumer(ConsumerSlot slot) const;

  // The upload gate: set while a data upload runs.
  void set_upload_running(bool on) { upload_running_.store(on); }
  bool upload_running() const { return upload_running_.load(); }

  // Hands line to every consumer in order, skipping the gated ones during an upload.
  void dispatch(std::string_view line) const;

 private:
  static constexpr std::size_t kSlots = static_cast<std::size_t>(ConsumerSlot::count);
  std::array<std::atomic<LineConsumer*>, kSlots> slots_{};
  std::atomic<bool> upload_running_{false};
};

}  // namespace vexa
