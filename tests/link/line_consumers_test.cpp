// The line table: the places decide who hears a line first and who hears nothing during an
// upload; dropping a registration waits for the line the receive thread is handing out, and a
// consumer may drop registrations (its own too) from inside its on_line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
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

TEST(LineConsumers, PlacesDecideTheOrderAndAnUploadSilencesTheLastTwo) {
  LineConsumers table;
  std::vector<std::string> order;
  std::mutex order_mutex;
  // Added in the reverse of their places; equal places keep the order they were added in.
  const struct {
    const char* name;
    LinePlace place;
  } rows[] = {
      {"config", line_place::configuration}, {"loader", line_place::loader},
      {"factory", line_place::factory_test}, {"view", line_place::data_view},
      {"analog", line_place::analog_tab},    {"upload", line_place::upload},
      {"upload later", line_place::upload},
  };
  std::deque<test::RecordingConsumer> consumers;
  std::vector<LineRegistration> heard;
  for (const auto& row : rows) {
    consumers.emplace_back(row.name, &order, &order_mutex);
    heard.push_back(table.add(row.place, consumers.back()));
  }
  table.dispatch("one");
  EXPECT_EQ(order, (std::vector<std::string>{"upload", "upload later", "analog", "view", "factory", "loader",
                                             "config"}));
  order.clear();
  table.set_upload_running(true);
  table.dispatch("two");
  EXPECT_EQ(order, (std::vector<std::string>{"upload", "upload later", "analog", "view", "factory"}));
}

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
  test::RecordingConsumer later("later"), always("loader");
  LineRegistration own, later_lines, always_lines;
  int heard = 0;
  CallbackConsumer quitter([&](std::string_view line) {
    ++heard;
    if (line == "bye") {
      own.reset();          // itself: no wait for the dispatch that runs it
      later_lines.reset();  // one after it: not heard for this line any more
    }
  });
  always_lines = table.add(line_place::loader, always);
  later_lines = table.add(line_place::factory_test, later);
  own = table.add(line_place::upload, quitter);
  table.dispatch("one");
  table.dispatch("bye");
  table.dispatch("after");
  EXPECT_EQ(heard, 2);
  EXPECT_EQ(later.lines(), std::vector<std::string>{"one"});
  EXPECT_EQ(always.lines(), (std::vector<std::string>{"one", "bye", "after"}));
  EXPECT_EQ(table.size(), 1u);
}

}  // namespace
}  // namespace vexa
