// The TCP client over real loopback connections: the address forms, connect failures, the
// reports and call states, batches with NUL bytes, the peer closing or resetting, and a close
// from another thread while a reader waits.
#include <gtest/gtest.h>

#include <thread>

#include "link/tcp_client.h"
#include "loopback_peer.h"
#include "support/recording_sinks.h"

namespace vexa {
namespace {

using test::LoopbackPeer;
using test::SharedReport;

TEST(TcpAddressText, BlanksSeparatorAndTrailingText) {
  const struct {
    std::string text;
    const char* address;  // nullptr: not checked
    int port;             // -1: not checked
  } rows[] = {
      {"  10.0.0.5 1470", "10.0.0.5", 1470},
      {"10.0.0.5:1470", "10.0.0.5", 1470},
      {"192.168.0.1 1470 lab adapter", "192.168.0.1", 1470},
      {"10.0.0.5", "10.0.0.5", 0},
      {"10.0.0.5 ", "10.0.0.5", 0},
      {"", "", 0},
      {"board 23", "", -1},  // only digits and dots make the address: a host name ends it at once
      // The text is cut at 99 characters after the leading blanks.
      {"10.0.0.5" + std::string(90, ' ') + "1470", nullptr, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    if (row.address) {
      EXPECT_EQ(parse_tcp_address(row.text).address, row.address);
    }
    if (row.port >= 0) {
      EXPECT_EQ(parse_tcp_address(row.text).port, row.port);
    }
  }
}

class TcpClientTest : public ::testing::Test {
 protected:
  TcpClientTest() : client(report, messages) {}
  // Connects and forgets the "Calling" and "Online" lines.
  bool connect_to(LoopbackPeer& peer, const std::string& text) {
    bool ok = client.tcp_connect(text) && peer.accept();
    report.clear();
    return ok;
  }

  SharedReport report;
  Messages messages;
  TcpClient client;
  LoopbackPeer peer;  // the far end for the tests that need only one
};

TEST_F(TcpClientTest, BadAddressesAreRefusedBeforeCallingAndOpenNothing) {
  EXPECT_FALSE(client.tcp_connect("10.0.0.5"));
  EXPECT_FALSE(client.tcp_connect("127.0.0.1 70000"));
  EXPECT_FALSE(client.tcp_connect("127.0.0.1 -5"));
  EXPECT_FALSE(client.tcp_connect(" :1470"));
  const std::string form = messages.message("MerSform");
  EXPECT_EQ(report.lines(), (std::vector<std::string>{form, form, form, "Error: Address "}));
  EXPECT_EQ(client.call_state(), CallState::offline);
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.tcp_read_byte(0), -1);
  EXPECT_FALSE(client.tcp_send("x", 1));
  EXPECT_FALSE(client.tcp_close());
}

TEST_F(TcpClientTest, RefusedConnectReportsAndGoesOffline) {
  LoopbackPeer closed_port(false);
  EXPECT_FALSE(client.tcp_connect(closed_port.address_text()));
  const std::string port = std::to_string(closed_port.port());
  EXPECT_EQ(report.lines(), (std::vector<std::string>{"Calling 127.0.0.1 " + port,
                                                      "Error: Connect 10061 connection refused",
                                                      "Offline"}));
  EXPECT_EQ(client.call_state(), CallState::offline);
  EXPECT_FALSE(client.connected());
}

TEST_F(TcpClientTest, ConnectReportsItsStatesAndOurCloseEndsIt) {
  LoopbackPeer peer;
  std::vector<std::string> statuses;
  client.set_status_sink([&](const std::string& text) { statuses.push_back(text); });
  const std::string port = std::to_string(peer.port());
  ASSERT_TRUE(connect_to(peer, "  127.0.0.1:" + port + " board 7"));
  EXPECT_TRUE(client.connected());
  EXPECT_EQ(client.call_state(), CallState::online);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Calling 127.0.0.1 " + port, "Online 127.0.0.1 " + port}));
  EXPECT_TRUE(client.tcp_close());
  EXPECT_EQ(statuses.back(), "Offline");
  EXPECT_TRUE(peer.client_closed());
  EXPECT_EQ(client.call_state(), CallState::offline);
  EXPECT_FALSE(client.tcp_close());
  EXPECT_TRUE(report.lines().empty());
}

TEST_F(TcpClientTest, ReconnectClosesTheEarlierConnectionFirst) {
  LoopbackPeer first, second;
  ASSERT_TRUE(connect_to(first, first.address_text()));
  ASSERT_TRUE(connect_to(second, second.address_text()));
  EXPECT_TRUE(first.client_closed());
  ASSERT_TRUE(second.send("z"));
  EXPECT_EQ(client.tcp_read_byte(5000), 'z');
}

TEST_F(TcpClientTest, BytesGoBothWays) {
  ASSERT_TRUE(connect_to(peer, peer.address_text()));
  EXPECT_EQ(client.tcp_read_byte(0), -1);  // nothing there: no wait, no report, still connected
  EXPECT_FALSE(client.wait_readable(0));
  EXPECT_TRUE(client.tcp_send("conf\n", 5));
  EXPECT_EQ(peer.receive(5), "conf\n");
  ASSERT_TRUE(peer.send("Ok\r\n"));
  std::string got;
  for (int i = 0; i < 4; ++i) got.push_back(static_cast<char>(client.tcp_read_byte(5000)));
  EXPECT_EQ(got, "Ok\r\n");
  // High bytes come out as 0..255, never negative.
  ASSERT_TRUE(peer.send("\xE9"));
  EXPECT_EQ(client.tcp_read_byte(5000), 0xE9);
  EXPECT_TRUE(report.lines().empty());
}

TEST_F(TcpClientTest, BatchEndsAtItsFirstNul) {
  ASSERT_TRUE(connect_to(peer, peer.address_text()));
  ASSERT_TRUE(peer.send(std::string("ab\0cd", 5)));
  EXPECT_EQ(client.tcp_read_byte(5000), 'a');
  EXPECT_TRUE(client.wait_readable(0));
  EXPECT_EQ(client.tcp_read_byte(0), 'b');
  // "cd" went with the batch.
  EXPECT_EQ(client.tcp_read_byte(0), -1);
  ASSERT_TRUE(peer.send(std::string("\0zz", 3)));
  EXPECT_TRUE(client.wait_readable(5000));
  EXPECT_EQ(client.tcp_read_byte(0), -1);  // a batch that begins with NUL hands out nothing
  ASSERT_TRUE(peer.send("q"));
  EXPECT_EQ(client.tcp_read_byte(5000), 'q');
  EXPECT_TRUE(client.connected());
}

TEST_F(TcpClientTest, VerboseReportsEachBatch) {
  ASSERT_TRUE(connect_to(peer, peer.address_text()));
  client.set_verbose(true);
  ASSERT_TRUE(peer.send("abc"));
  EXPECT_EQ(client.tcp_read_byte(5000), 'a');
  EXPECT_EQ(report.lines(), std::vector<std::string>{"received 3 <abc>"});
}

TEST_F(TcpClientTest, PeerClosingIsReportedAndCloses) {
  std::vector<bool> changes;
  client.set_state_listener([&](bool up) { changes.push_back(up); });
  ASSERT_TRUE(connect_to(peer, peer.address_text()));
  ASSERT_TRUE(peer.send("x"));
  peer.close();
  EXPECT_EQ(client.tcp_read_byte(5000), 'x');
  EXPECT_EQ(client.tcp_read_byte(5000), -1);
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.call_state(), CallState::offline);
  const auto lines = report.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Connection closed by foreign host");
  EXPECT_EQ(lines.back(), "Offline");
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  EXPECT_EQ(client.tcp_read_byte(0), -1);
}

TEST_F(TcpClientTest, ResetPeerFailsTheNextSendOrReceiveWithItsCode) {
  for (bool sending : {true, false}) {
    SCOPED_TRACE(sending ? "send" : "receive");
    LoopbackPeer peer;
    ASSERT_TRUE(connect_to(peer, peer.address_text()));
    peer.reset();
    if (sending) {
      ASSERT_TRUE(client.wait_readable(5000));  // the reset has arrived
      EXPECT_FALSE(client.tcp_send("conf\n", 5));
      EXPECT_EQ(report.lines().front(), "Error: Send data 10054 connection reset by foreign host");
    } else {
      EXPECT_EQ(client.tcp_read_byte(5000), -1);
      EXPECT_EQ(report.lines().front(), "Error: Receive data 10054 connection reset by foreign host");
    }
    EXPECT_EQ(report.lines().back(), "Offline");
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(client.call_state(), CallState::offline);
  }
}

TEST_F(TcpClientTest, CloseFromAnotherThreadEndsAWaitingReader) {
  ASSERT_TRUE(connect_to(peer, peer.address_text()));
  int got = 0;
  std::thread reader([&] { got = client.tcp_read_byte(60000); });
  // Let the reader reach its wait; the close works the same if it has not yet.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(client.tcp_close());
  reader.join();
  EXPECT_EQ(got, -1);
  // Our own close is not the peer's.
  EXPECT_FALSE(report.contains("Connection closed by foreign host"));
  EXPECT_EQ(report.lines(), std::vector<std::string>{"Offline"});
}

}  // namespace
}  // namespace vexa
