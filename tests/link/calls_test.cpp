// Calls from the phone number field (a modem dial, the TCP client of "tcp/ip" over loopback) and
// the phone book that fills the field; the desktop window's round trip is main_window_test's.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "link/modem_dialer.h"
#include "link/phone_book.h"
#include "link/tcp_client.h"
#include "loopback_peer.h"
#include "platform/tcp_socket.h"
#include "support/recording_sinks.h"
#include "support/scripted_port.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::LoopbackPeer;
using test::SharedReport;
using test::TempDir;
using Entries = std::vector<std::string>;

// A modem on a serial port whose carrier line the test sets.
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

// The phone number field, the status line and an editor window the test opens and closes.
class FakeMainWindow final : public ModemWindow, public PhoneBookWindow {
 public:
  std::string phone;
  std::vector<std::string> statuses;
  PhoneList list{{"stale"}, 0};
  int list_updates = 0;
  std::vector<std::string> opened;
  bool editor_up = false;
  bool editor_opens = true;

  std::string phone_field_text() override { return phone; }
  void set_status(std::string_view text) override { statuses.emplace_back(text); }
  void set_phone_list(const PhoneList& l) override {
    list = l;
    ++list_updates;
  }
  bool open_editor(const std::string& path) override {
    opened.push_back(path);
    editor_up = editor_opens;
    return editor_opens;
  }
  bool editor_exists() override { return editor_up; }
};

// The phone field's call button over a modem line, or (line.tcp) a TCP client to a loopback peer.
class PhoneField : public ::testing::Test {
 protected:
  PhoneField() : tcp(terminal, messages), dialer(line, line, tcp, window, terminal, messages) {}
  void ticks(int n) {
    for (int i = 0; i < n; ++i) dialer.modem_tick(false);
  }
  // Connects as the receive thread does on request, and forgets the "Calling" and "Online" lines.
  bool connect_to(LoopbackPeer& to, const std::string& text) {
    const bool ok = tcp.tcp_connect(text) && to.accept();
    terminal.clear();
    return ok;
  }

  FakeModemLine line;
  FakeMainWindow window;
  SharedReport terminal;
  Messages messages;
  TcpClient tcp;
  ModemDialer dialer;
  LoopbackPeer peer;
};

// Dialing opens a closed port first; a click while calling ends the call at once, one while
// online hangs up with "+++" and, ten ticks later, "ATH"; a lost carrier alone keeps the call.
TEST_F(PhoneField, ACallIsDialedComesUpOutlivesALostCarrierAndIsHungUp) {
  EXPECT_EQ(dial_number(std::string(150, '7'))->size(), kDialNumberChars);  // the dial buffer's limit
  line.open = false;
  line.opens = false;
  window.phone = "x1234567";  // digits after a letter start no number
  dialer.modem_tick(true);
  EXPECT_EQ(line.open_calls, 0);
  window.phone = "123\t0049 7031 office";  // the first blank-led run of four digits or more
  dialer.modem_tick(true);
  EXPECT_EQ(line.open_calls, 1);
  line.opens = true;
  dialer.modem_tick(true);
  EXPECT_EQ(line.writes(), std::vector<std::string>{"atd0049\r"});
  EXPECT_EQ(terminal.lines(), std::vector<std::string>{"atd0049"});
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::indeterminate);
  ticks(5);  // no carrier yet: still calling
  EXPECT_EQ(dialer.call_state(), CallState::calling);
  dialer.modem_tick(true);  // no carrier yet: offline at once
  EXPECT_EQ(dialer.call_state(), CallState::offline);
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"Calling 0049", "Disconnect", "Offline"}));
  ticks(15);
  EXPECT_EQ(line.writes(), (std::vector<std::string>{"atd0049\r", "+++"}));  // no "ATH" once offline

  // With the carrier there at once, the next click's call comes up in the same tick.
  line.carrier = true;
  dialer.modem_tick(true);
  EXPECT_EQ(dialer.call_state(), CallState::online);
  EXPECT_EQ(window.statuses.back(), "Online 123\t0049 7031 office");
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::checked);
  line.carrier = false;
  ticks(3);
  EXPECT_EQ(dialer.call_state(), CallState::online);

  line.carrier = true;
  line.forget_writes();
  terminal.clear();
  dialer.modem_tick(true);
  EXPECT_EQ(dialer.call_state(), CallState::disconnecting);
  EXPECT_EQ(line.writes(), std::vector<std::string>{"+++"});
  ticks(9);
  EXPECT_EQ(line.writes(), std::vector<std::string>{"+++"});
  dialer.modem_tick(false);
  EXPECT_EQ(terminal.lines(), (std::vector<std::string>{"+++", "ath"}));
  ticks(20);  // sent once; the state waits for the carrier to drop
  EXPECT_EQ(line.writes(), (std::vector<std::string>{"+++", "ATH\r"}));
  EXPECT_EQ(dialer.call_state(), CallState::disconnecting);
  line.carrier = false;
  dialer.modem_tick(false);
  EXPECT_EQ(dialer.call_state(), CallState::offline);
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::unchecked);
  EXPECT_EQ(dialer.call_button().caption, "Online");
}

// Comments, blank lines, CRs and tabs are the editor test's.
TEST(PhoneBookText, ALongLineIsCutAndATextLongerThanAnEntryMatchesNothing) {
  const std::string digits(kPhoneBookLineChars, '5');
  EXPECT_EQ(parse_phone_book(digits + "77#tail"), Entries{digits});
  EXPECT_EQ(phone_list({"0049 7031", "5551234 home"}, "5551234 home and more").selected, 0);
}

// Beside the program in a build or a portable copy; in the user's configuration folder for an
// installed copy, whose folder (/usr/bin) nobody but root can write.
TEST(PhoneBookFile, ItsPlaceItsHeaderLinesAndNeverOverwrittenOrMadeUnreadable) {
  TempDir program, config, home;
  const char* xdg = config.path().c_str();
  const char* user = home.path().c_str();
  EXPECT_EQ(phone_book_path(program.path(), xdg, user), program.file("phonebook.txt"));

  const std::string folder = program.file("usr/bin");  // not there: nobody can write it
  const struct {
    const char* xdg;
    const char* home;
    std::string place;
  } rows[] = {
      {xdg, user, config.path() + "/vexaterm/phonebook.txt"},
      {"relative/config", user, home.path() + "/.config/vexaterm/phonebook.txt"},  // a relative one is ignored
      {nullptr, nullptr, folder + "/phonebook.txt"},  // nowhere better: the editor reports the failure
      {nullptr, "", folder + "/phonebook.txt"},
  };
  for (const auto& row : rows) EXPECT_EQ(phone_book_path(folder, row.xdg, row.home), row.place) << row.place;

  TempDir dir;
  const std::string path = dir.write("phonebook.txt", "5551234 home\n");
  EXPECT_TRUE(ensure_phone_book_file(path));
  EXPECT_EQ(TempDir::read(path), "5551234 home\n");
  // A folder that cannot be made (a file stands in its way) gets no book.
  const std::string blocked = dir.write("plain", "") + "/vexaterm/phonebook.txt";
  EXPECT_FALSE(ensure_phone_book_file(blocked));
  // A file that cannot be read is left as it is.
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  EXPECT_FALSE(ensure_phone_book_file(path));
  EXPECT_EQ(load_phone_book_file(path, "").entries, Entries{});
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(TempDir::read(path), "5551234 home\n");
}

TEST(PhoneBookEditor, ButtonCreatesTheFileClosingRefillsTheFieldAndAFailedOpenTriesAgain) {
  TempDir home;
  FakeMainWindow window;
  // The configuration folder (and ~/.config on a fresh account) is made with the phone book.
  PhoneBook book(window, phone_book_path("/nonexistent/usr/bin", nullptr, home.path().c_str()));
  book.load_phone_book();  // main window creation: no file yet
  EXPECT_EQ(window.list.selected, -1);

  book.phone_book_tick(true);
  EXPECT_EQ(window.opened, Entries{home.path() + "/.config/vexaterm/phonebook.txt"});
  EXPECT_EQ(TempDir::read(book.path()), "# phonenumber comment\n# ip-number port comment\n");

  // While the editor is open, timer ticks and further clicks change nothing.
  const int updates = window.list_updates;
  book.phone_book_tick(false);
  book.phone_book_tick(true);
  EXPECT_EQ(window.opened.size(), 1u);
  EXPECT_EQ(window.list_updates, updates);

  // The user saves new entries and closes the editor: the next tick shows them.
  // Comments, empty and blank lines and CRs go; the last line needs no end.
  home.write(".config/vexaterm/phonebook.txt", "# numbers\r\n\n   \t\n5551234 home\r\n0049 7031 1234\toffice # day");
  window.phone = "0049 7031";
  window.editor_up = false;
  book.phone_book_tick(false);
  EXPECT_EQ(window.list.entries, (Entries{"5551234 home", "0049 7031 1234 office "}));
  EXPECT_EQ(window.list.selected, 1);
  EXPECT_FALSE(book.editor_recorded());

  // An editor that does not open is not waited for: the next click tries again.
  window.editor_opens = false;
  book.phone_book_tick(true);
  EXPECT_FALSE(book.editor_recorded());
  window.editor_opens = true;
  book.phone_book_tick(true);
  EXPECT_EQ(window.opened.size(), 3u);
  EXPECT_TRUE(book.editor_recorded());
}

// The blank and colon separators, leading blanks and trailing text are the call test's; only
// digits and dots make the address.
TEST_F(PhoneField, TcpBadAddressesARefusedConnectAndAPeerThatClosesOrResetsEndTheCallSayingWhy) {
  const TcpAddress cut = parse_tcp_address("10.0.0.5" + std::string(90, ' ') + "1470");  // cut at 99 characters
  EXPECT_EQ(cut.address, "10.0.0.5");
  EXPECT_EQ(cut.port, 1);
  for (const char* bad : {"10.0.0.5", "127.0.0.1 70000", "127.0.0.1 -5", " :1470"})
    EXPECT_FALSE(tcp.tcp_connect(bad)) << bad;
  const std::string form = messages.message("MerSform");
  EXPECT_EQ(terminal.lines(), (std::vector<std::string>{form, form, form, "Error: Address "}));
  EXPECT_EQ(tcp.tcp_read_byte(0), -1);
  EXPECT_FALSE(tcp.tcp_send("x", 1));
  terminal.clear();
  LoopbackPeer closed_port(false);
  EXPECT_FALSE(tcp.tcp_connect(closed_port.address_text()));
  const std::string port = std::to_string(closed_port.port());
  EXPECT_EQ(terminal.lines(), (std::vector<std::string>{"Calling 127.0.0.1 " + port,
                                                        "Error: Connect 10061 connection refused", "Offline"}));
  EXPECT_EQ(tcp.call_state(), CallState::offline);

  std::vector<bool> changes;
  tcp.set_state_listener([&](bool up) { changes.push_back(up); });
  ASSERT_TRUE(connect_to(peer, peer.address_text()));
  ASSERT_TRUE(peer.send("x"));
  peer.close();
  EXPECT_EQ(tcp.tcp_read_byte(5000), 'x');
  EXPECT_EQ(tcp.tcp_read_byte(5000), -1);
  EXPECT_EQ(tcp.call_state(), CallState::offline);
  EXPECT_EQ(terminal.lines(), (std::vector<std::string>{"Connection closed by foreign host", "Offline"}));
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  for (bool sending : {true, false}) {
    SCOPED_TRACE(sending ? "send" : "receive");
    LoopbackPeer fresh;
    ASSERT_TRUE(connect_to(fresh, fresh.address_text()));
    fresh.reset();
    if (sending) {
      ASSERT_TRUE(tcp.wait_readable(5000));  // the reset has arrived
      EXPECT_FALSE(tcp.tcp_send("conf\n", 5));
      EXPECT_EQ(terminal.lines().front(), "Error: Send data 10054 connection reset by foreign host");
    } else {
      EXPECT_EQ(tcp.tcp_read_byte(5000), -1);
      EXPECT_EQ(terminal.lines().front(), "Error: Receive data 10054 connection reset by foreign host");
    }
    EXPECT_EQ(terminal.lines().back(), "Offline");
    EXPECT_FALSE(tcp.connected());
  }
}

// On "tcp/ip" a click asks for the connection (the receive thread makes it) and never dials; the
// button follows the real connection, and a click closes it, also while a reader waits.
TEST_F(PhoneField, TcpCallAskedForByTheButtonReportsItsStatesCarriesBytesAndAClickEndsItForAWaitingReader) {
  line.tcp = true;
  std::vector<std::string> statuses;
  tcp.set_status_sink([&](const std::string& text) { statuses.push_back(text); });
  const std::string port = std::to_string(peer.port());
  window.phone = "  127.0.0.1:" + port + " board 7";
  dialer.modem_tick(true);
  EXPECT_EQ(line.open_calls, 1);  // the connect request
  EXPECT_EQ(line.tcp_addresses, std::vector<std::string>{window.phone});
  LoopbackPeer first;
  ASSERT_TRUE(connect_to(first, first.address_text()));
  ASSERT_TRUE(connect_to(peer, window.phone));
  EXPECT_TRUE(first.client_closed());  // a new call closes the earlier connection first
  EXPECT_TRUE(tcp.connected());
  EXPECT_EQ(dialer.call_state(), CallState::online);  // one state for both
  dialer.modem_tick(false);
  EXPECT_EQ(dialer.call_button().check, ButtonCheck::checked);
  EXPECT_EQ(statuses.back(), "Online 127.0.0.1 " + port);

  EXPECT_EQ(tcp.tcp_read_byte(0), -1);  // nothing there: no wait, no report, still connected
  EXPECT_FALSE(tcp.wait_readable(0));
  EXPECT_TRUE(tcp.tcp_send("conf\n", 5));
  EXPECT_EQ(peer.receive(5), "conf\n");
  ASSERT_TRUE(peer.send("\xE9"));
  EXPECT_EQ(tcp.tcp_read_byte(5000), 0xE9);  // high bytes come out as 0..255, never negative
  // A batch ends at its first NUL: "cd" goes with it.
  ASSERT_TRUE(peer.send(std::string("ab\0cd", 5)));
  EXPECT_EQ(tcp.tcp_read_byte(5000), 'a');
  EXPECT_TRUE(tcp.wait_readable(0));
  EXPECT_EQ(tcp.tcp_read_byte(0), 'b');
  EXPECT_EQ(tcp.tcp_read_byte(0), -1);
  ASSERT_TRUE(peer.send(std::string("\0zz", 3)));
  EXPECT_TRUE(tcp.wait_readable(5000));
  EXPECT_EQ(tcp.tcp_read_byte(0), -1);  // a batch that begins with NUL hands out nothing
  tcp.set_verbose(true);  // and the call goes on: the next byte is the only report
  ASSERT_TRUE(peer.send("a"));
  EXPECT_EQ(tcp.tcp_read_byte(5000), 'a');
  EXPECT_EQ(terminal.lines(), std::vector<std::string>{"received 1 <a>"});

  // The click's close ends a reader in its wait (or not there yet), and is not the peer's close.
  terminal.clear();
  int waited = 0;
  std::thread reader([&] { waited = tcp.tcp_read_byte(60000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  dialer.modem_tick(true);
  reader.join();
  EXPECT_EQ(waited, -1);
  EXPECT_EQ(statuses.back(), "Offline");
  EXPECT_TRUE(terminal.lines().empty());
  EXPECT_TRUE(peer.client_closed());
  EXPECT_FALSE(tcp.tcp_close());
  EXPECT_EQ(line.open_calls, 1);
  EXPECT_TRUE(line.writes().empty());
}

// A send that the kernel takes only in part (a signal arrives while the peer's window is full)
// must go on with the rest: a board would otherwise get a command cut in two.
TEST(TcpSocketSend, InterruptedSendDeliversEveryByte) {
  struct sigaction action {};
  action.sa_handler = [](int) {};  // no SA_RESTART: a blocked send returns what it took
  struct sigaction old {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &old), 0);
  LoopbackPeer listener;
  TcpSocket socket;
  ASSERT_EQ(socket.create(), 0);
  ASSERT_EQ(socket.connect(htonl(INADDR_LOOPBACK), listener.port()), 0);
  ASSERT_TRUE(listener.accept());

  // Far more than the two socket buffers hold, so the send blocks until the peer reads.
  const std::string data(32 << 20, 'x');
  std::atomic<int> result{-1};
  std::thread sender([&] { result = socket.send(data.data(), data.size()); });
  // Once the peer's receive queue has data the sender is inside its send: interrupt it.
  int queued = 0;
  for (int i = 0; i < 5000 && queued == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::ioctl(listener.fd(), FIONREAD, &queued);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ::pthread_kill(sender.native_handle(), SIGUSR1);
  // A send that returned early leaves nothing more to read: the read ends after a quiet second.
  EXPECT_EQ(listener.receive(data.size(), 1000).size(), data.size());
  sender.join();
  EXPECT_EQ(result.load(), 0);
  ::sigaction(SIGUSR1, &old, nullptr);
}

}  // namespace
}  // namespace vexa
