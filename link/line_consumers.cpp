#include "link/line_consumers.h"

#include <algorithm>
#include <mutex>

namespace vexa {

namespace {

// The tables this thread is dispatching on now, innermost first: a removal from inside one of
// them must not wait for the dispatch that called it.
struct DispatchFrame {
  const LineConsumers* table;
  const DispatchFrame* outer;
};
thread_local const DispatchFrame* dispatching = nullptr;

class FrameScope {
 public:
  explicit FrameScope(const LineConsumers* table) : frame_{table, dispatching} { dispatching = &frame_; }
  ~FrameScope() { dispatching = frame_.outer; }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;

 private:
  DispatchFrame frame_;
};

}  // namespace

LineRegistration& LineRegistration::operator=(LineRegistration&& other) noexcept {
  if (this != &other) {
    reset();
    table_ = other.table_;
    id_ = other.id_;
    other.table_ = nullptr;
  }
  return *this;
}

void LineRegistration::reset() {
  if (!table_) return;
  LineConsumers* table = table_;
  table_ = nullptr;
  table->remove(id_);
}

bool LineConsumers::dispatching_here() const {
  for (const DispatchFrame* frame = dispatching; frame; frame = frame->outer)
    if (frame->table == this) return true;
  return false;
}

LineRegistration LineConsumers::add(LinePlace place, LineConsumer& consumer) {
  std::unique_lock lock(mutex_);
  drop_cleared_locked();
  const std::uint64_t id = next_id_++;
  const auto after = std::upper_bound(entries_.begin(), entries_.end(), place.order,
                                      [](int order, const Entry& entry) { return order < entry.place.order; });
  entries_.emplace(after, place, id, &consumer);
  return LineRegistration(this, id);
}

void LineConsumers::remove(std::uint64_t id) {
  if (dispatching_here()) {
    // This thread holds the list shared below us: only clear the entry, which every dispatch
    // skips from now on.
    for (Entry& entry : entries_)
      if (entry.id == id) entry.consumer.store(nullptr);
    return;
  }
  // Waits for every dispatch in flight.
  std::unique_lock lock(mutex_);
  for (Entry& entry : entries_)
    if (entry.id == id) entry.consumer.store(nullptr);
  drop_cleared_locked();
}

void LineConsumers::drop_cleared_locked() {
  std::erase_if(entries_, [](const Entry& entry) { return entry.consumer.load() == nullptr; });
}

std::size_t LineConsumers::size() const {
  std::shared_lock lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      entries_.begin(), entries_.end(), [](const Entry& entry) { return entry.consumer.load() != nullptr; }));
}

void LineConsumers::dispatch(std::string_view line) const {
  // A dispatch from inside one of this table's consumers already holds the lock: taking it
  // again could queue behind a removal that waits for the outer dispatch.
  std::shared_lock lock(mutex_, std::defer_lock);
  if (!dispatching_here()) lock.lock();
  FrameScope frame(this);
  const bool uploading = upload_running_.load();
  for (const Entry& entry : entries_) {
    if (uploading && !entry.place.hears_during_upload) continue;
    if (LineConsumer* consumer = entry.consumer.load()) consumer->on_line(line);
  }
}

}  // namespace vexa
