#include <gtest/gtest.h>

#include <unistd.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>

#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"
#include "equipment/common/a_vorn/DisplayMessage.h"
#include "equipment/common/a_vorn/VornSocket.h"
#include "platform/posix/PosixStreamSocket.h"

namespace equ::testing {
namespace {

// Sockets that fail where a test says, and tell what was done with them.
class FakeStreamSockets : public StreamSockets {
 public:
  bool failStart = false;
  bool failCreate = false;
  bool failConnect = false;
  bool failSend = false;
  bool failReceive = false;
  std::string reply = "\x06";
  std::string sent;
  int shutdowns = 0;
  int closed = 0;
  int created = 0;

  PortStatus LibraryStarted() override {
    if (failStart) return PortFailure(u"Ошибка инициализации библиотеки WinSock");
    return {};
  }
  SocketResult Create() override {
    if (failCreate) return PortFailure(u"no buffer space");
    ++created;
    return std::make_unique<Socket>(*this);
  }

 private:
  class Socket : public StreamSocket {
   public:
    explicit Socket(FakeStreamSockets& owner) : owner_(owner) {}
    ~Socket() override { ++owner_.closed; }
    PortStatus Connect(const Ipv4Endpoint&, int) override {
      if (owner_.failConnect) return PortFailure(u"refused");
      return {};
    }
    PortStatus SetReceiveTimeout(int) override { return {}; }
    PortStatus Send(std::string_view bytes) override {
      if (owner_.failSend) return PortFailure(u"reset");
      owner_.sent += bytes;
      return {};
    }
    PortResult<std::string> Receive(std::size_t maxBytes) override {
      if (owner_.failReceive) return PortFailure(u"timed out");
      return owner_.reply.substr(0, maxBytes);
    }
    void Shutdown() override { ++owner_.shutdowns; }

   private:
    FakeStreamSockets& owner_;
  };
};

WideString FailureOf(const std::function<void()>& call, std::int32_t* code = nullptr) {
  try {
    call();
  } catch (const EquException& e) {
    if (code != nullptr) *code = e.Code();
    return e.Message();
  }
  return u"(no failure)";
}

TEST(DisplayMessageTest, A300BytePayloadIsAnnouncedLittleEndian) {
  const std::string message = FrameDisplayMessage(std::string(300, 'p'));
  ASSERT_EQ(message.size(), 306u);
  EXPECT_EQ(message.substr(0, 6), std::string("\x02\x05\x2C\x01\x00\x00", 6));
  EXPECT_EQ(message.substr(6), std::string(300, 'p'));
}

TEST(DisplayMessageTest, ThePayloadIsCompactJsonInOrderWithCyrillicAsUtf8) {
  EXPECT_EQ(DisplayPayload(u"Чек", 30, u"1f0e2d3c-4b5a-6978-8796-a5b4c3d2e1f0"),
            "receipt_qrcode|{\"header\":\"\xD0\xA7\xD0\xB5\xD0\xBA\",\"duration\":30,"
            "\"qr_data\":\"1f0e2d3c-4b5a-6978-8796-a5b4c3d2e1f0\"}");
  EXPECT_EQ(DisplayPayload(u"a\"b", -1, u""),
            R"(receipt_qrcode|{"header":"a\"b","duration":-1,"qr_data":""})");
}

TEST(DisplayMessageTest, OnlyTheByte06Acknowledges) {
  struct Case {
    std::string reply;
    bool acknowledged;
  };
  const Case cases[] = {{std::string("\x06", 1), true},     {std::string("\x15", 1), false},
                        {std::string("\x00", 1), false},    {"", false},
                        {std::string("\x06\x15", 2), true}, {std::string("\xFF", 1), false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsDisplayAcknowledgement(c.reply), c.acknowledged) << c.reply.size();
  }
}

TEST(DisplayMessageTest, DecodingWaitsForTheWholeMessageAndRefusesOthers) {
  const std::string message = FrameDisplayMessage(DisplayPayload(u"Чек", 7, u"id-1"));
  std::size_t consumed = 0;
  std::string error;
  for (std::size_t cut = 0; cut < message.size(); ++cut) {
    EXPECT_FALSE(DecodeDisplayMessage(message.substr(0, cut), consumed, error)) << cut;
    EXPECT_EQ(error, "") << cut;
  }
  const auto decoded = DecodeDisplayMessage(message + "next", consumed, error);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(consumed, message.size());
  EXPECT_TRUE(decoded->wellFormed);
  EXPECT_EQ(decoded->header, "\xD0\xA7\xD0\xB5\xD0\xBA");
  EXPECT_EQ(decoded->duration, 7);
  EXPECT_EQ(decoded->qrData, "id-1");

  EXPECT_FALSE(DecodeDisplayMessage("\x03\x05", consumed, error));
  EXPECT_NE(error, "");
  EXPECT_FALSE(DecodeDisplayMessage(std::string("\x02\x05\xFF\xFF\xFF\xFF", 6), consumed, error));
  EXPECT_NE(error, "");
  const auto notJson = DecodeDisplayMessage(FrameDisplayMessage("hello"), consumed, error);
  ASSERT_TRUE(notJson);
  EXPECT_FALSE(notJson->wellFormed);
}

TEST(DisplayAddressTest, OnlyDottedQuadsParse) {
  EXPECT_EQ(ParseIpv4Address(u"127.0.0.1"), 0x7F000001u);
  EXPECT_EQ(ParseIpv4Address(u"192.168.10.255"), 0xC0A80AFFu);
  for (const char16_t* bad : {u"", u"12.0.0.a", u"256.1.1.1", u"1.2.3", u"1.2.3.4.5", u"1..2.3",
                              u"localhost", u" 1.2.3.4", u"1.2.3.4 ", u"1234.1.1.1"}) {
    EXPECT_FALSE(ParseIpv4Address(bad)) << WideToUtf8(bad);
  }
}

// Every failure of the link: its message, code 1001, and the socket closed when it was made.
struct LinkFailureCase {
  const char* name;
  std::function<void(FakeStreamSockets&)> arrange;
  WideString address;
  int port;
  const char16_t* message;
};

class LinkFailureTest : public ::testing::TestWithParam<LinkFailureCase> {};

TEST_P(LinkFailureTest, FailsWithItsMessageAndClosesTheSocket) {
  const LinkFailureCase& c = GetParam();
  auto sockets = std::make_shared<FakeStreamSockets>();
  c.arrange(*sockets);
  std::int32_t code = 0;
  EXPECT_EQ(FailureOf([&] { SendQRCodeToDisplay(sockets, {}, c.address, c.port, u"Чек", u"q", 5); },
                      &code),
            c.message);
  EXPECT_EQ(code, kResultUnknownError);
  EXPECT_EQ(sockets->closed, sockets->created);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LinkFailureTest,
    ::testing::Values(
        LinkFailureCase{"LettersInTheAddress", [](FakeStreamSockets&) {}, u"12.0.0.a", 9100,
                        u"Синтаксическая ошибка в IP-адресе"},
        LinkFailureCase{"PortZero", [](FakeStreamSockets&) {}, u"127.0.0.1", 0,
                        u"Номер порта должен лежать в диапазоне 1-65535"},
        LinkFailureCase{"PortTooLarge", [](FakeStreamSockets&) {}, u"127.0.0.1", 65536,
                        u"Номер порта должен лежать в диапазоне 1-65535"},
        LinkFailureCase{"LibraryNotStarted", [](FakeStreamSockets& s) { s.failStart = true; },
                        u"127.0.0.1", 9100, u"Ошибка инициализации библиотеки WinSock"},
        LinkFailureCase{"NoSocket", [](FakeStreamSockets& s) { s.failCreate = true; }, u"127.0.0.1",
                        9100, u"Ошибка при создании сокета"},
        LinkFailureCase{"NoConnection", [](FakeStreamSockets& s) { s.failConnect = true; },
                        u"127.0.0.1", 9100,
                        u"Ошибка при установлении подключения к дисплею покупателя"},
        LinkFailureCase{"SendFails", [](FakeStreamSockets& s) { s.failSend = true; }, u"127.0.0.1",
                        9100, u"Ошибка при отправке данных серверу"},
        LinkFailureCase{"ReceiveFails", [](FakeStreamSockets& s) { s.failReceive = true; },
                        u"127.0.0.1", 9100, u"Ошибка при получении ответа от сервера"},
        LinkFailureCase{"Nak", [](FakeStreamSockets& s) { s.reply = "\x15"; }, u"127.0.0.1", 9100,
                        u"Ошибка протокола обмена"},
        LinkFailureCase{"ClosedWithoutAReply", [](FakeStreamSockets& s) { s.reply = ""; },
                        u"127.0.0.1", 9100, u"Ошибка протокола обмена"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(DisplayLinkTest, AnAcknowledgedMessageClosesTheConnectionToo) {
  auto sockets = std::make_shared<FakeStreamSockets>();
  SendQRCodeToDisplay(sockets, {}, u" 127.0.0.1 ", 9100, u"Чек", u"q", 5);
  EXPECT_EQ(sockets->sent, FrameDisplayMessage(DisplayPayload(u"Чек", 5, u"q")));
  EXPECT_EQ(sockets->shutdowns, 1);
  EXPECT_EQ(sockets->closed, 1);
}

TEST(DisplayLinkTest, ReadStrFillsWhatDidNotComeWithZeros) {
  auto sockets = std::make_shared<FakeStreamSockets>();
  sockets->reply = "ab";
  TVornSocket socket(sockets);
  socket.SetConnection(u"127.0.0.1", 9100);
  std::string bytes;
  socket.ReadStr(5, bytes);
  EXPECT_EQ(bytes, std::string("ab\0\0\0", 5));
}

// The POSIX adapter against real sockets of this machine.
class ListeningSocket {
 public:
  ListeningSocket() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, 4);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~ListeningSocket() { close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

TEST(PosixStreamSocketTest, AnAddressWithBlanksAroundItConnects) {
  ListeningSocket display;
  TVornSocket socket(std::make_shared<posix::PosixStreamSockets>());
  socket.SetConnection(u"  127.0.0.1\t", display.Port());
  EXPECT_TRUE(socket.Connected());
  socket.CloseConnection();
  EXPECT_FALSE(socket.Connected());
}

TEST(PosixStreamSocketTest, AReceiveWithoutAReplyEndsAtItsTimeout) {
  ListeningSocket display;  // accepts (in its backlog) and never answers
  TVornSocket socket(std::make_shared<posix::PosixStreamSockets>(), TDisplayTimeouts{5000, 200});
  socket.SetConnection(u"127.0.0.1", display.Port());
  const auto started = std::chrono::steady_clock::now();
  std::uint8_t byte = 0;
  EXPECT_THROW(socket.ReadChar(byte), EquException);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(190));
}

}  // namespace
}  // namespace equ::testing
