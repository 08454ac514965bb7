// The call button on a modem line (dialing, carrier supervision, the timed hang-up) and on the
// link "tcp/ip", where the same button drives a real TCP client.
#include <gtest/gtest.h>

#include "link/modem_dialer.h"
#include "link/tcp_client.h"
#include "loopback_peer.h"
#include "support/recording_sinks.h"
#include "support/scripted_port.h"

namespace vexa {
namespace {

using test::LoopbackPeer;
using test::SharedReport;

TEST(DialNumber, FirstWordWithFourLeadingDigits) {
  const struct {
    const char* text;
    std::optional<std::string> number;
  } rows[] = {
      {"0049 7031 1234 office", "0049"}, {"ext 12 5551234", "5551234"}, {"12 34", std::nullopt},
      {"5551234-88 home", "5551234"},    {"x5551234 5556", "5556"},     {"123 4567", "4567"},
      {"office\t07031", "07031"},        {"", std::nullopt},            {"    ", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(dial_number(row.text), row.number) << row.text;
  EXPECT_EQ(dial_number(std::string(150, '7'))->size(), kDialNumberChars);
}

// A modem on a serial port: the scripted port records what is written; the carrier line is the
// test's to set.
class FakeModemLine final : public test::ScriptedPort, public LinkControl {
 public:
  bool opens = true;  // an open_link succeeds
  bool carrier = false;
  int open_calls = 0;
  std::vector<std::string> tcp_addresses;

  bool serial_open() override { return open; }
  bool open_link() override {
    ++open_calls;
    if (!tcp && opens) open = true;
    return open;
  }
  void set_tcp_address(std::string_view text) override { tcp_addresses.emplace_back(text); }
  bool carrier_detect() override { return open && carrier; }
  void set_upload_running(bool) override {}
};

class FakeMainWindow final : public ModemWindow {
 public:
  std::string phone;
  std::vector<std::string> statuses;
  std::string phone_field_text() override { return phone; }
  void set_status(std::string_view text) override { statuses.emplace_back(text); }
};

class ModemTest : public ::testing::Test {
 protected:
  ModemTest() : tcp(terminal, messages), dialer(line, line, tcp, window, terminal, messages) {}
  void ticks(int n) {
    for (int i = 0; i < n; ++i) dialer.modem_tick(false);
  }

  FakeModemLine line;
  FakeMainWindow window;
  SharedReport terminal;
  Messages messages;
  TcpClient tcp;
  ModemDialer dialer;
};

TEST_F(ModemTest, CallComesUpOutlivesALostCarrierAndIsHungUp) {
  window.phone = "0049 7031 1234 office";
  dialer.modem_tick(true);
  EXPECT_EQ(line.writes(), std::vector<std::string>{"atd0049\r"});
  EXPECT_EQ(terminal.lines(), std::vector<std::string>{"atd0049"});
  EXPECT_EQ(window.statuses, std::vector<std::string>{"Calling 0049"});
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::indeterminate);
  EXPECT_EQ(dialer.phone_text(), "0049 7031 1234 office");

  ticks(5);  // no carrier yet: still calling
  EXPECT_EQ(dialer.call_state(), CallState::calling);
  line.carrier = true;
  dialer.modem_tick(false);
  EXPECT_EQ(window.statuses.back(), "Online 0049 7031 1234 office");
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::checked);
  line.carrier = false;  // a lost carrier keeps the state until a click
  ticks(3);
  EXPECT_EQ(dialer.call_state(), CallState::online);

  line.carrier = true;
  line.forget_writes();
  terminal.clear();
  dialer.modem_tick(true);
  EXPECT_EQ(dialer.call_state(), CallState::disconnecting);
  EXPECT_EQ(window.statuses.back(), "Disconnect");
  EXPECT_EQ(line.writes(), std::vector<std::string>{"+++"});
  EXPECT_EQ(dialer.hang_up_countdown(), kHangUpTicks - 1);
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::indeterminate);
  ticks(9);  // "ATH" goes on the tenth tick after the "+++"
  EXPECT_EQ(line.writes(), std::vector<std::string>{"+++"});
  dialer.modem_tick(false);
  EXPECT_EQ(terminal.lines(), (std::vector<std::string>{"+++", "ath"}));
  ticks(20);  // sent once; the state waits for the carrier to drop
  EXPECT_EQ(line.writes(), (std::vector<std::string>{"+++", "ATH\r"}));
  EXPECT_EQ(dialer.call_state(), CallState::disconnecting);

  line.carrier = false;
  dialer.modem_tick(false);
  EXPECT_EQ(dialer.call_state(), CallState::offline);
  EXPECT_EQ(window.statuses.back(), "Offline");
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::unchecked);
  EXPECT_EQ(dialer.call_button().caption, "Online");
}

TEST_F(ModemTest, ClickWhileCallingWithoutCarrierEndsAtOnce) {
  window.phone = "5551234";
  dialer.modem_tick(true);
  dialer.modem_tick(true);
  EXPECT_EQ(dialer.call_state(), CallState::offline);
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"Calling 5551234", "Disconnect", "Offline"}));
  ticks(15);
  EXPECT_EQ(line.writes(), (std::vector<std::string>{"atd5551234\r", "+++"}));  // no "ATH" once offline
  // With the carrier there at once, the next click's call comes up in the same tick.
  line.carrier = true;
  dialer.modem_tick(true);
  EXPECT_EQ(line.writes().back(), "atd5551234\r");
  EXPECT_EQ(dialer.call_state(), CallState::online);
}

TEST_F(ModemTest, NoNumberMeansTheClickDoesNothingAndAClosedPortIsOpenedForTheCall) {
  line.open = false;
  line.opens = false;
  for (const char* text : {"12 34", "", "office", "x1234567"}) {
    window.phone = text;
    dialer.modem_tick(true);
    EXPECT_EQ(dialer.phone_text(), text);
  }
  EXPECT_EQ(line.open_calls, 0);
  EXPECT_TRUE(window.statuses.empty());
  window.phone = "5551234";
  dialer.modem_tick(true);
  EXPECT_EQ(line.open_calls, 1);
  EXPECT_TRUE(line.writes().empty());
  EXPECT_EQ(dialer.call_state(), CallState::offline);
  line.opens = true;
  dialer.modem_tick(true);
  EXPECT_EQ(line.open_calls, 2);
  EXPECT_EQ(line.writes(), std::vector<std::string>{"atd5551234\r"});
  dialer.modem_tick(true);  // open now: no second open
  EXPECT_EQ(line.open_calls, 2);
}

// On "tcp/ip" a click asks for the connection (the receive thread makes it) and never dials;
// once up, the button follows the real connection and a click closes it.
TEST_F(ModemTest, TcpLinkButtonAsksForAndClosesARealConnection) {
  line.tcp = true;
  LoopbackPeer peer;
  window.phone = "  " + peer.address_text();
  dialer.modem_tick(true);
  EXPECT_EQ(line.open_calls, 1);  // the connect request
  EXPECT_EQ(line.tcp_addresses, std::vector<std::string>{window.phone});
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::unchecked);
  EXPECT_TRUE(terminal.lines().empty());  // nothing typed at a modem

  ASSERT_TRUE(tcp.tcp_connect(window.phone));  // what the receive thread does on request
  ASSERT_TRUE(peer.accept());
  EXPECT_EQ(dialer.call_state(), CallState::online);  // one state for both
  dialer.modem_tick(false);
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::checked);
  dialer.modem_tick(true);
  EXPECT_TRUE(peer.client_closed());
  EXPECT_EQ(line.open_calls, 1);
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::unchecked);
  EXPECT_TRUE(line.writes().empty());
}

}  // namespace
}  // namespace vexa
