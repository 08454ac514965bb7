// The line table's registrations: dropping one waits for the line the receive thread is handing
// out, and a consumer may drop registrations (its own too) from inside its on_line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "link/line_consumers.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using namespace std::chrono_literals;

class CallbackConsumer final : public LineConsumer {
 public:
  explicit CallbackConsumer(std::function<void(std::string_view)> on) : on_(std::move(on)) {}
  void on_line(std::string_view line) override { on_(line); }

 private:
  std::function<void(std::string_view)> on_;
};

TEST(LineRegistration, DroppingItWaitsForTheLineInFlight) {
  LineConsumers table;
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> finished{false};
  CallbackConsumer slow([&](std::string_view) {
    entered.set_value();
    released.wait();
    finished = true;
  });
  LineRegistration registration = table.add(line_place::analog_tab, slow);
  std::thread receiver([&] { table.dispatch("a1: 7"); });
  entered.get_future().wait();
  std::atomic<bool> dropped{false};
  std::thread dropper([&] {
    registration.reset();
    dropped = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(dropped.load());  // the consumer is still at work
  release.set_value();
  dropper.join();
  EXPECT_TRUE(finished.load());
  receiver.join();
  EXPECT_EQ(table.size(), 0u);
  table.dispatch("a1: 8");  // nobody is called any more
}

TEST(LineRegistration, AConsumerDropsRegistrationsFromInsideItsLine) {
  LineConsumers table;
  test::RecordingConsumer later("later"), upload_deaf("loader");
  LineRegistration own, later_lines, deaf_lines;
  int heard = 0;
  CallbackConsumer quitter([&](std::string_view line) {
    ++heard;
    if (line == "bye") {
      own.reset();          // itself: no wait for the dispatch that runs it
      later_lines.reset();  // one after it: not heard for this line any more
    }
  });
  deaf_lines = table.add(line_place::loader, upload_deaf);
  later_lines = table.add(line_place::factory_test, later);
  own = table.add(line_place::upload, quitter);
  table.set_upload_running(true);
  table.dispatch("one");
  table.set_upload_running(false);
  table.dispatch("bye");
  table.dispatch("after");
  EXPECT_EQ(heard, 2);
  EXPECT_EQ(later.lines(), std::vector<std::string>{"one"});
  EXPECT_EQ(upload_deaf.lines(), (std::vector<std::string>{"bye", "after"}));  // nothing during the upload
  EXPECT_EQ(table.size(), 1u);
}

}  // namespace
}  // namespace vexa
