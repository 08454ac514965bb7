// vexacli factory-test: the production self-test of a board without a window. The same
// preparation, test start and line rules as the desktop's factory test button; the result of
// each test and a verdict are printed, and the exit status is 0 only when every test the board
// type runs has passed.
#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "base/identity.h"
#include "app/quiet_front_end.h"
#include "cli/board_link.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/line_watch.h"
#include "config/board_identity.h"
#include "factory/factory_report.h"
#include "factory/factory_test.h"
#include "platform/atomic_file.h"

namespace vexa::cli {
namespace {

constexpr int kTickMs = 100;
constexpr int kIdentityWaitMs = 3000;
constexpr int kDefaultTimeoutSeconds = 20;

// The core (its exchange takes the board's "conf" reply, its identity the board type, or
// --target) and the factory test at its line place, with a watch after it. The receive thread
// stops before the rest goes away.
class FactorySession {
 public:
  FactorySession(const CommonOptions& options, std::ostream& out)
      : board_(options, out),
        test_({board_.session(), board_.reports(), board_.messages(), identity(), board_.core().jobs(),
               SystemClock::instance(), output_}) {
    identity().add_listener(&seen_);
    identity().add_listener(&test_);
    test_lines_ = board_.session().consumers().add(line_place::factory_test, test_);
    watch_lines_ = board_.session().consumers().add(line_place::factory_test, lines_);
  }
  ~FactorySession() {
    board_.session().stop();
    watch_lines_.reset();
    test_lines_.reset();
    identity().remove_listener(&test_);
    identity().remove_listener(&seen_);
    board_.terminal().flush();
  }

  BoardLink& board() { return board_; }
  BoardIdentity& identity() { return board_.core().board(); }
  ConfigExchange& exchange() { return board_.core().exchange(); }
  FactoryTest& test() { return test_; }
  const QuietWatch& lines() const { return lines_; }
  bool identity_seen() const { return seen_.seen(); }

 private:
  BoardLink board_;
  QuietFrontEnd output_;
  FactoryTest test_;
  QuietWatch lines_;
  IdentitySeen seen_;
  LineRegistration test_lines_, watch_lines_;
};

// Whether the results are complete: every test of the type has one, an 'S' board has given
// its final verdict, and the board has been quiet for quiet_ms.
bool finished(FactorySession& session, char letter, int quiet_ms) {
  const FactoryTest& test = session.test();
  const auto states = test.states();
  for (int i = 0; i < kFactoryTestCount; ++i)
    if (factory_test_enabled(letter, i) && states[static_cast<std::size_t>(i)] == kTestNotSeen) return false;
  if (letter == 'S') {
    const FactoryVerdict verdict = test.last_verdict();
    if (verdict != FactoryVerdict::passed && verdict != FactoryVerdict::failed) return false;
  }
  return steady_ms() - session.lines().last_ms() >= quiet_ms;
}

}  // namespace

int run_factory_test(CommandContext& context) {
  const std::optional<std::string> report_path = context.values.text(kReportOption.spec.name);
  const int countdown = context.values.whole(kCountdownOption.spec.name, -1);
  const int timeout_s = context.values.whole(kTimeoutOption.spec.name, kDefaultTimeoutSeconds);
  const int quiet_ms = context.values.whole(kTestQuietMsOption.spec.name, kDefaultQuietMs);
  if (!context.args.empty()) return usage_error(context, "unexpected '" + context.args[0] + "'");
  if (!context.options.target.empty() && !parse_identity_line(context.options.target))
    return usage_error(context, "--target wants an identity line such as \"" +
                                    identity_line_for(kFamilyName, 'S', kProgramVersion) + "\", not '" +
                                    context.options.target + "'");

  FactorySession session(context.options, context.out);
  if (!session.board().connect(context.err)) return 1;
  if (!context.options.target.empty()) {
    session.identity().accept_identity(context.options.target);
  } else {
    // The test commands depend on the board type: ask the board who it is.
    session.exchange().request_configuration();
    const std::int64_t start = steady_ms();
    while (!session.identity_seen() && !session.board().board_gone() && steady_ms() - start < kIdentityWaitMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (session.board().board_gone()) return 1;
    if (!session.identity_seen()) {
      session.board().terminal().flush();
      context.err << "vexacli factory-test: the board did not name its type within " << kIdentityWaitMs / 1000
                  << " s; give --target\n";
      return 1;
    }
    // Let the rest of the configuration pass before the test begins.
    while (steady_ms() - session.lines().last_ms() < 200 && steady_ms() - start < 2 * kIdentityWaitMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const char letter = session.identity().type_letter();
  if (!factory_commands(letter, SystemClock::instance().local_now())) {
    session.board().terminal().flush();
    context.err << "vexacli factory-test: board type '" << letter << "' has no factory test (E, F and S have)\n";
    return 1;
  }

  FactoryTest& test = session.test();
  test.prepare();
  if (!test.running()) return 1;
  if (countdown >= 0) test.set_countdown(countdown);
  bool started = false;
  std::int64_t started_ms = 0;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
    if (test.tick_100ms()) {
      started = true;
      started_ms = steady_ms();
    }
    session.board().terminal().flush();
    if (session.board().board_gone()) {
      context.out << "factory test: stopped, the board is gone\n";
      break;
    }
    if (!started) continue;
    if (finished(session, letter, quiet_ms)) break;
    if (steady_ms() - started_ms > timeout_s * 1000LL) {
      context.out << "factory test: no complete result within " << timeout_s << " s\n";
      break;
    }
  }
  session.board().terminal().flush();

  const auto states = test.states();
  for (int i = 0; i < kFactoryTestCount; ++i) {
    if (!factory_test_enabled(letter, i)) continue;
    const FactoryTestInfo& info = factory_tests()[static_cast<std::size_t>(i)];
    context.out << info.name << " (" << info.label << "): " << factory_state_word(states[static_cast<std::size_t>(i)])
                << "\n";
  }
  const bool passed = factory_passed(letter, states);
  if (passed) {
    context.out << "factory test passed\n";
  } else {
    context.out << "factory test failed:";
    for (const std::string& name : factory_failures(letter, states)) context.out << " " << name;
    context.out << "\n";
  }

  if (report_path) {
    FactoryReport report{session.identity().line(), letter, SystemClock::instance().local_now(), states, test.checks()};
    if (!write_file_atomically(*report_path, factory_report_json(report))) {
      context.err << "vexacli factory-test: cannot write " << *report_path << "\n";
      return 1;
    }
  }
  return passed ? 0 : 1;
}

}  // namespace vexa::cli
