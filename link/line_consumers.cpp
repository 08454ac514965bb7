#include "link/line_consumers.h"

namespace vexa {

namespace {

// Slots that only hear lines while no upload is running.
bool gated_by_upload(ConsumerSlot slot) {
  return slot == ConsumerSlot::loader || slot == ConsumerSlot::configuration;
}

}  // namespace

void LineConsumers::attach(ConsumerSlot slot, LineConsumer* consumer) {
  slots_[static_cast<std::size_t>(slot)].store(consumer);
}

LineConsumer* LineConsumers::consumer(ConsumerSlot slot) const {
  return slots_[static_cast<std::size_t>(slot)].load();
}

void LineConsumers::dispatch(std::string_view line) const {
  const bool uploading = upload_running_.load();
  for (std::size_t i = 0; i < kSlots; ++i) {
    auto slot = static_cast<ConsumerSlot>(i);
    if (uploading && gated_by_upload(slot)) continue;
    if (LineConsumer* consumer = slots_[i].load()) consumer->on_line(line);
  }
}

}  // namespace vexa
