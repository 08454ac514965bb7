#pragma once
// The consumers of complete received lines, called in the order of their places on the receive
// thread. While an upload runs, the places that do not hear uploads get nothing.
//
// A consumer is heard from add() until its registration goes: dropping a registration waits for
// a dispatch in flight on another thread, so once it returns the consumer may be destroyed. A
// consumer that drops its own registration (or another one) from inside on_line is not waited
// for, since the dispatch that runs it is its own; it hears no further line either way.
#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <string_view>
#include <vector>

#include "base/line_places.h"
#include "link/line_consumer.h"

namespace vexa {

class LineConsumers;

// Keeps a consumer on the table for as long as it lives. Movable, not copyable.
class LineRegistration {
 public:
  LineRegistration() = default;
  LineRegistration(LineRegistration&& other) noexcept : table_(other.table_), id_(other.id_) { other.table_ = nullptr; }
  LineRegistration& operator=(LineRegistration&& other) noexcept;
  LineRegistration(const LineRegistration&) = delete;
  LineRegistration& operator=(const LineRegistration&) = delete;
  ~LineRegistration() { reset(); }

  // Takes the consumer off the table (nothing when it is not on it).
  void reset();
  bool active() const { return table_ != nullptr; }

 private:
  friend class LineConsumers;
  LineRegistration(LineConsumers* table, std::uint64_t id) : table_(table), id_(id) {}
  LineConsumers* table_ = nullptr;
  std::uint64_t id_ = 0;
};

class LineConsumers {
 public:
  LineConsumers() = default;
  LineConsumers(const LineConsumers&) = delete;
  LineConsumers& operator=(const LineConsumers&) = delete;

  // Puts consumer at place; it stays until the registration goes, which must be before this
  // table. Safe while the receive thread runs, but not from inside an on_line.
  [[nodiscard]] LineRegistration add(LinePlace place, LineConsumer& consumer);
  // Consumers on the table now.
  std::size_t size() const;

  // The upload gate: set while a data upload runs.
  void set_upload_running(bool on) { upload_running_.store(on); }
  bool upload_running() const { return upload_running_.load(); }

  // Hands line to every consumer in order, skipping the upload-deaf places during an upload.
  void dispatch(std::string_view line) const;

 private:
  friend class LineRegistration;
  void remove(std::uint64_t id);
  bool dispatching_here() const;

  struct Entry {
    LinePlace place;
    std::uint64_t id;
    // Cleared by a removal from inside a dispatch, which cannot change the list under it; the
    // entry itself goes at the next add or removal.
    std::atomic<LineConsumer*> consumer;
    Entry(LinePlace p, std::uint64_t i, LineConsumer* c) : place(p), id(i), consumer(c) {}
    Entry(Entry&& other) noexcept : place(other.place), id(other.id), consumer(other.consumer.load()) {}
    Entry& operator=(Entry&& other) noexcept {
      place = other.place;
      id = other.id;
      consumer.store(other.consumer.load());
      return *this;
    }
  };
  void drop_cleared_locked();

  mutable std::shared_mutex mutex_;  // shared by dispatches, exclusive for changes of the list
  std::vector<Entry> entries_;       // in dispatch order; guarded by mutex_
  std::uint64_t next_id_ = 1;        // guarded by mutex_
  std::atomic<bool> upload_running_{false};
};

}  // namespace vexa
