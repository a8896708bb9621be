// The socket layer on the loopback interface: pool, TCP server and client records, the
// poll's events, sends under back-pressure, a full poll table, UDP and multicast.
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "net_fixture.h"

namespace {

using namespace nx;

class Sockets : public nt::NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    _nx_packet_pool_create(&EnetPacketPoolCtrl, "Packet Pool", kPayloadSize, EnetPacketPool, kPoolMemorySize);
    ASSERT_EQ(_nx_ip_create(&ip_, "eth0", 0x7F000001, 0xFF000000, &EnetPacketPoolCtrl), kSuccess);
    accepted_ = nullptr;
    disconnects_ = 0;
  }
  void TearDown() override {
    for (int fd : peers_) ::close(fd);
    NetTest::TearDown();
  }

  // A peer on the host side: a plain blocking client of 127.0.0.1 at the board port.
  int Peer(uint16_t board_port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(plat::HostPort(board_port)));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd);
      return -1;
    }
    peers_.push_back(fd);
    return fd;
  }

  Packet* PacketOf(const std::string& text) {
    Packet* p = nullptr;
    EXPECT_EQ(_nx_packet_allocate(&EnetPacketPoolCtrl, &p, 0, 0), kSuccess);
    EXPECT_EQ(_nx_packet_data_append(p, text.data(), uint32_t(text.size()), &EnetPacketPoolCtrl), kSuccess);
    return p;
  }

  // Sweeps until the condition holds (bounded: the events are on loopback). The
  // condition is asked once per sweep, so it may take a packet.
  template <class F>
  bool PollUntil(F done) {
    for (int i = 0; i < 2000; ++i) {
      if (done()) return true;
      EnetThread();
      ::poll(nullptr, 0, 1);
    }
    return false;
  }

  static void AcceptNow(TcpSocket* s, uint32_t) {
    accept_status_ = _nx_tcp_server_socket_accept(s, 0);
    if (accept_status_ == kInProgress) accepted_ = s;
  }
  static void CountDisconnect(TcpSocket*) { ++disconnects_; }

  void Listen(TcpSocket& s, uint16_t port = 502) {
    ASSERT_EQ(_nx_tcp_socket_create(&ip_, &s, "test", 0, 0, 128, 2048, nullptr, CountDisconnect), kSuccess);
    ASSERT_EQ(_nx_tcp_server_socket_listen(&ip_, port, &s, 5, AcceptNow), kSuccess);
  }

  IpInstance& ip_ = Enet_IpInstance[0];
  std::vector<int> peers_;
  static inline TcpSocket* accepted_ = nullptr;
  static inline int accept_status_ = 0;
  static inline int disconnects_ = 0;
};

TEST_F(Sockets, PoolHoldsTwoHundredPacketsAndHandsOutTheFirstFree) {
  EXPECT_EQ(EnetPacketPoolCtrl.total, 200u);
  std::vector<Packet*> taken;
  for (int i = 0; i < 200; ++i) {
    Packet* p = nullptr;
    ASSERT_EQ(_nx_packet_allocate(&EnetPacketPoolCtrl, &p, 0, 0), kSuccess) << i;
    taken.push_back(p);
  }
  EXPECT_EQ(EnetPacketPoolCtrl.free_scan, 0u);
  Packet* none = taken[0];
  EXPECT_EQ(_nx_packet_allocate(&EnetPacketPoolCtrl, &none, 0, 0), kFailed);
  EXPECT_EQ(none, nullptr);
  _nx_packet_release(taken[7]);
  _nx_packet_release(taken[150]);
  Packet* again = nullptr;
  ASSERT_EQ(_nx_packet_allocate(&EnetPacketPoolCtrl, &again, 0, 0), kSuccess);
  EXPECT_EQ(again, taken[7]);
  EXPECT_EQ(EnetPacketPoolCtrl.free_scan, 50u);  // from packet 150 to the end
}

TEST_F(Sockets, AppendsStayInsideThePayloadAndCopiesCheckTheirSource) {
  Packet* p = PacketOf(std::string(1500, 'a'));
  std::vector<uint8_t> more(21, 'b');
  EXPECT_EQ(_nx_packet_data_append(p, more.data(), 21, &EnetPacketPoolCtrl), kFailed);
  EXPECT_EQ(p->length, 1500u);
  EXPECT_EQ(_nx_packet_data_append(p, more.data(), 20, &EnetPacketPoolCtrl), kSuccess);
  Packet* copy = nullptr;
  EXPECT_EQ(_nx_packet_copy(p, &copy, &EnetPacketPoolCtrl, 0), kSuccess);
  EXPECT_EQ(copy->length, 1520u);
  EXPECT_EQ(std::memcmp(copy->read, p->read, 1520), 0);
  Packet* empty = nullptr;
  _nx_packet_allocate(&EnetPacketPoolCtrl, &empty, 0, 0);
  EXPECT_EQ(_nx_packet_copy(empty, &copy, &EnetPacketPoolCtrl, 0), kInvalidPacket);
  EXPECT_EQ(copy, nullptr);
  _nx_packet_release(empty);
  EXPECT_EQ(_nx_packet_data_append(empty, more.data(), 1, &EnetPacketPoolCtrl), kFailed) << "released packet";
}

TEST_F(Sockets, AcceptWithWaitZeroEstablishesAndMovesData) {
  TcpSocket s;
  Listen(s);
  EXPECT_EQ(s.state, kListening);
  const int peer = Peer(502);
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(PollUntil([&] { return accepted_ == &s; }));
  EXPECT_EQ(accept_status_, kInProgress);
  EXPECT_EQ(s.state, kEstablished);
  EXPECT_EQ(s.peer_ip, 0x7F000001u);

  ASSERT_EQ(::send(peer, "ping", 4, 0), 4);
  Packet* in = nullptr;
  ASSERT_TRUE(PollUntil([&] { return _nx_tcp_socket_receive(&s, &in, 0) == kSuccess; }));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in->read), in->length), "ping");
  _nx_packet_release(in);
  ASSERT_EQ(_nx_tcp_socket_send(&s, PacketOf("pong"), 0), kSuccess);
  char buf[8] = {};
  EXPECT_EQ(::recv(peer, buf, sizeof buf, 0), 4);
  EXPECT_STREQ(buf, "pong");
  EXPECT_EQ(ip_.sent_packets, 1u);
  EXPECT_EQ(ip_.received_packets, 1u);
}

TEST_F(Sockets, ReceiveWithNothingWaitingLeavesThePoolAlone) {
  TcpSocket s;
  Listen(s);
  ASSERT_GE(Peer(502), 0);
  ASSERT_TRUE(PollUntil([&] { return accepted_ == &s; }));
  const uint32_t free_before = EnetPacketPoolCtrl.free_scan;
  Packet* in = reinterpret_cast<Packet*>(1);
  EXPECT_EQ(_nx_tcp_socket_receive(&s, &in, 0), kNoPacket);
  EXPECT_EQ(in, nullptr);
  EXPECT_EQ(EnetPacketPoolCtrl.free_scan, free_before);
  for (const Packet& p : EnetPacketPoolCtrl.packets) EXPECT_EQ(p.state, kPacketFree);
}

TEST_F(Sockets, RelistenedRecordsShareOneDescriptorUntilTheLastIsDeleted) {
  TcpSocket first, second;
  Listen(first);
  ASSERT_EQ(_nx_tcp_socket_create(&ip_, &second, "second", 0, 0, 128, 2048, nullptr, nullptr), kSuccess);
  ASSERT_EQ(_nx_tcp_server_socket_relisten(&ip_, 502, &second), kSuccess);
  EXPECT_EQ(second.fd, first.fd);
  EXPECT_EQ(second.connect_request, first.connect_request);
  EXPECT_EQ(ConnSockInUse(), 2);

  _nx_tcp_socket_delete(&first);
  EXPECT_EQ(ConnSockInUse(), 1);
  ASSERT_GE(Peer(502), 0) << "the shared descriptor still listens";
  ASSERT_TRUE(PollUntil([&] { return accepted_ == &second; }));

  _nx_tcp_socket_delete(&second);
  EXPECT_EQ(ConnSockInUse(), 0);
  EXPECT_EQ(Peer(502), -1) << "the last delete closed the listening descriptor";
}

TEST_F(Sockets, ConnectToAPortWithoutListenerNeverEstablishes) {
  TcpSocket c;
  ASSERT_EQ(_nx_tcp_socket_create(&ip_, &c, "client", 0, 0, 128, 2048, nullptr, nullptr), kSuccess);
  ASSERT_EQ(_nx_tcp_client_socket_bind(&c, 0, 0), kSuccess);
  const int r = _nx_tcp_client_socket_connect(&c, 0x7F000001, uint16_t(plat::HostPort(502)), 0);
  if (r == kInProgress) {
    for (int i = 0; i < 50; ++i) EnetThread();
    EXPECT_EQ(c.state, kConnecting);
  } else {
    EXPECT_EQ(r, kNotConnected);
  }
  _nx_tcp_socket_delete(&c);
  EXPECT_EQ(ConnSockInUse(), 0);
}

TEST_F(Sockets, ClientConnectCompletesThroughThePoll) {
  TcpSocket server, client;
  Listen(server);
  ASSERT_EQ(_nx_tcp_socket_create(&ip_, &client, "client", 0, 0, 128, 2048, nullptr, nullptr), kSuccess);
  ASSERT_EQ(_nx_tcp_client_socket_bind(&client, 0, 0), kSuccess);
  const int r = _nx_tcp_client_socket_connect(&client, 0x7F000001, uint16_t(plat::HostPort(502)), 0);
  ASSERT_TRUE(r == kInProgress || r == kSuccess) << r;
  ASSERT_TRUE(PollUntil([&] { return client.state == kEstablished && accepted_ == &server; }));
  ASSERT_EQ(_nx_tcp_socket_send(&client, PacketOf("hello"), 0), kSuccess);
  Packet* in = nullptr;
  ASSERT_TRUE(PollUntil([&] { return _nx_tcp_socket_receive(&server, &in, 0) == kSuccess; }));
  EXPECT_EQ(in->length, 5u);
  _nx_packet_release(in);
}

TEST_F(Sockets, APeerThatClosesIsReportedOnce) {
  TcpSocket s;
  Listen(s);
  const int peer = Peer(502);
  ASSERT_TRUE(PollUntil([&] { return accepted_ == &s; }));
  ::shutdown(peer, SHUT_WR);
  ASSERT_TRUE(PollUntil([&] { return s.state == kPeerClosed; }));
  for (int i = 0; i < 5; ++i) EnetThread();
  EXPECT_EQ(disconnects_, 1);
  EXPECT_EQ(_nx_tcp_server_socket_unaccept(&s), kSuccess);
  EXPECT_EQ(s.state, kListening);
}

// A peer that never reads: sends report "not writeable" instead of waiting, and every
// byte of a send that reported success reaches the peer once it reads.
TEST_F(Sockets, APeerThatNeverReadsMakesSendsBusyAndNothingIsLost) {
  TcpSocket s;
  Listen(s);
  const int peer = Peer(502);
  int small = 4096;
  ::setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  ASSERT_TRUE(PollUntil([&] { return accepted_ == &s; }));
  ::setsockopt(s.accepted_fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);

  std::string accepted_bytes;
  int busy = 0;
  for (int i = 0; i < 5000 && busy < 3; ++i) {
    std::string chunk(1400, char('A' + i % 26));
    const int r = _nx_tcp_socket_send(&s, PacketOf(chunk), 0);
    if (r == kSuccess) {
      accepted_bytes += chunk;
    } else {
      ASSERT_EQ(r, kNotWriteable);
      ++busy;
      EnetThread();  // the peer still reads nothing: the connection stays blocked
    }
  }
  ASSERT_EQ(busy, 3) << "sends never reported the blocked connection";
  EXPECT_EQ(s.writeable, 0);
  for (const Packet& p : EnetPacketPoolCtrl.packets) {
    if (&p != s.unsent) {
      EXPECT_EQ(p.state, kPacketFree) << "a refused send keeps no packet";
    }
  }

  // The peer reads: the kept remainder goes out with the polls, and nothing is missing.
  std::string got;
  char buf[65536];
  for (int i = 0; i < 5000 && got.size() < accepted_bytes.size(); ++i) {
    EnetThread();
    const ssize_t n = ::recv(peer, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      got.append(buf, std::size_t(n));
    } else {
      ::poll(nullptr, 0, 1);
    }
  }
  EXPECT_EQ(got.size(), accepted_bytes.size());
  EXPECT_TRUE(got == accepted_bytes);
  EXPECT_EQ(s.unsent, nullptr);
  EnetThread();
  EXPECT_EQ(s.writeable, 1);
}

TEST_F(Sockets, AFullPollTableRefusesListenRelistenAndConnect) {
  static TcpSocket dummy;
  dummy.fd = 1000;  // never polled in this test
  for (TcpSocket*& slot : ConnSock) slot = &dummy;
  TcpSocket s;
  ASSERT_EQ(_nx_tcp_socket_create(&ip_, &s, "late", 0, 0, 128, 2048, nullptr, nullptr), kSuccess);
  EXPECT_EQ(_nx_tcp_server_socket_listen(&ip_, 502, &s, 5, AcceptNow), kFailed);
  EXPECT_EQ(s.state, kClosed);
  EXPECT_EQ(s.bound, 0);
  EXPECT_EQ(_nx_tcp_server_socket_relisten(&ip_, 502, &s), kFailed);
  EXPECT_EQ(s.state, kClosed);
  EXPECT_EQ(Peer(502), -1) << "nothing listens unseen";
  ASSERT_EQ(_nx_tcp_client_socket_bind(&s, 0, 0), kSuccess);
  EXPECT_EQ(_nx_tcp_client_socket_connect(&s, 0x7F000001, 9, 0), kFailed);
  EXPECT_EQ(s.state, kClosed);
  for (TcpSocket*& slot : ConnSock) slot = nullptr;
  _nx_tcp_socket_delete(&s);
}

TEST_F(Sockets, SendAndReceiveStatusesOfRecordsThatCannotCarryData) {
  TcpSocket s;
  ASSERT_EQ(_nx_tcp_socket_create(&ip_, &s, "idle", 0, 0, 128, 2048, nullptr, nullptr), kSuccess);
  Packet* p = PacketOf("x");
  EXPECT_EQ(_nx_tcp_socket_send(&s, p, 0), kNotBound);
  EXPECT_EQ(p->state, kPacketFree) << "released on every path";
  EXPECT_EQ(_nx_tcp_socket_send(&s, p, 0), kInvalidPacket);
  ASSERT_EQ(_nx_tcp_client_socket_bind(&s, 0, 0), kSuccess);
  EXPECT_EQ(_nx_tcp_client_socket_bind(&s, 0, 0), kAlreadyBound);
  EXPECT_EQ(_nx_tcp_socket_send(&s, PacketOf("x"), 0), kNotConnected);
  EXPECT_EQ(_nx_tcp_server_socket_accept(&s, 0), kNotListening);
  EXPECT_EQ(_nx_tcp_server_socket_unaccept(&s), kFailed);
  _nx_tcp_socket_delete(&s);
}

TEST_F(Sockets, ListeningPortIsTheBoardPortPlusTheOffset) {
  TcpSocket s;
  Listen(s);
  sockaddr_in a{};
  socklen_t len = sizeof a;
  ASSERT_EQ(::getsockname(s.fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
  EXPECT_EQ(ntohs(a.sin_port), 502 + plat::PortOffset());
  EXPECT_EQ(s.port, 502);
}

TEST_F(Sockets, UdpDatagramsCarryTheirSender) {
  UdpSocket a, b;
  ASSERT_EQ(_nx_udp_socket_create(&ip_, &a, "a", 0, 0, 128, 5), kSuccess);
  ASSERT_EQ(_nx_udp_socket_create(&ip_, &b, "b", 0, 0, 128, 5), kSuccess);
  ASSERT_EQ(_nx_udp_socket_bind(&a, 502, 0), kSuccess);
  EXPECT_EQ(_nx_udp_socket_bind(&a, 502, 0), kAlreadyBound);
  ASSERT_EQ(_nx_udp_socket_bind(&b, 503, 0), kSuccess);
  Packet* in = nullptr;
  EXPECT_EQ(_nx_udp_socket_receive(&a, &in, 0), kNoPacket);
  ASSERT_EQ(_nx_udp_socket_send(&b, PacketOf("datagram"), 0x7F000001, uint16_t(plat::HostPort(502))), kSuccess);
  uint32_t from = 0;
  uint16_t port = 0;
  ASSERT_TRUE(PollUntil([&] { return _nx_udp_socket_receive_port_detail(&a, &in, &from, &port) == kSuccess; }));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in->read), in->length), "datagram");
  EXPECT_EQ(from, 0x7F000001u);
  EXPECT_EQ(port, plat::HostPort(503));
  _nx_packet_release(in);
  _nx_udp_socket_unbind(&a);
  EXPECT_EQ(_nx_udp_socket_send(&a, PacketOf("x"), 0x7F000001, 1), kNotBound);
  _nx_udp_socket_delete(&a);
  _nx_udp_socket_delete(&b);
}

TEST_F(Sockets, ARefusedMulticastJoinIsNotRecorded) {
  UdpSocket u;
  ASSERT_EQ(_nx_udp_socket_create(&ip_, &u, "egd", 0, 0, 128, 5), kSuccess);
  EXPECT_EQ(_nx_igmp_multicast_join(&ip_, 0x0A000001, &u), kFailed) << "not a group address";
  EXPECT_EQ(ip_.multicast_count, 0);
  EXPECT_GE(u.fd, 0) << "the socket keeps its descriptor";
  ASSERT_EQ(_nx_igmp_multicast_join(&ip_, 0xEF010101, &u), kSuccess);
  EXPECT_EQ(ip_.multicast_count, 1);
  EXPECT_EQ(ip_.multicast[0], 0xEF010101u);
  EXPECT_EQ(_nx_igmp_multicast_leave(&ip_, 0xEF010101, &u), kSuccess);
  EXPECT_EQ(ip_.multicast_count, 0);
  _nx_udp_socket_delete(&u);
  EXPECT_EQ(_nx_igmp_multicast_join(&ip_, 0xEF010101, &u), kFailed);
}

TEST_F(Sockets, LinkQueryOfAnInstanceWithoutAddressGivesZero) {
  IpInstance& w = Enet_IpInstance[2];
  ASSERT_EQ(_nx_ip_create(&w, "mlan0", 0, 0, &EnetPacketPoolCtrl), kSuccess);
  w.sent_packets = 9;
  for (uint32_t command : {11u, 12u, 14u, 15u}) {
    uint32_t out = 77;
    EXPECT_EQ(_nx_ip_driver_direct_command(&w, command, &out), kSuccess);
    EXPECT_EQ(out, 0u) << command;
  }
  uint32_t speed = 0, duplex = 0;
  _nx_ip_driver_direct_command(&ip_, 11, &speed);
  _nx_ip_driver_direct_command(&ip_, 12, &duplex);
  EXPECT_EQ(speed, 1u);  // the model's 100 Mbit/s
  EXPECT_EQ(duplex, 1u);
}

}  // namespace
