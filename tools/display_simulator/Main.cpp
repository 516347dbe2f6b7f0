// display_simulator: a customer display on a TCP port, for tests, demos and integrators.
#include <signal.h>
#include <unistd.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "QrPicture.h"
#include "equipment/common/a_vorn/DisplayMessage.h"

namespace {

constexpr char kUsage[] =
    "usage: display_simulator [--port N] [--bind ADDRESS] [--answer ack|byte:HH|none|close]\n"
    "                         [--count N] [--png-dir DIR] [--raw-dir DIR] [--no-blocks]\n"
    "\n"
    "A customer display: accepts one connection at a time, reads one message (0x02 0x05,\n"
    "the payload length in four bytes least significant first, the UTF-8 payload\n"
    "\"receipt_qrcode|{...}\"), prints its length bytes, header, duration and QR data, draws\n"
    "the QR code a customer would scan and answers. The first line on standard output is\n"
    "\"listening on ADDRESS:PORT\", printed once the port is bound.\n"
    "\n"
    "  --port N        the port to listen on (default 9100; 0 picks a free one)\n"
    "  --bind ADDRESS  the IPv4 address to listen on (default 127.0.0.1)\n"
    "  --answer WHAT   ack: the byte 0x06 (default); byte:HH: that byte, in hex; none: no\n"
    "                  answer, the connection stays open until the client closes it;\n"
    "                  close: the connection is closed without an answer\n"
    "  --count N       ends after N messages (default: serves until SIGINT or SIGTERM)\n"
    "  --png-dir DIR   writes each QR code to DIR/qr-N.png\n"
    "  --raw-dir DIR   writes each message's bytes as received to DIR/message-N.bin\n"
    "  --no-blocks     does not draw the QR code in the terminal\n";

enum class Answer { Byte, None, Close };

struct Options {
  int port = 9100;
  std::string bind = "127.0.0.1";
  Answer answer = Answer::Byte;
  unsigned char answerByte = equ::kDisplayAcknowledged;
  long count = -1;
  std::optional<std::filesystem::path> pngDir;
  std::optional<std::filesystem::path> rawDir;
  bool blocks = true;
};

bool ParseAnswer(const std::string& value, Options& options) {
  if (value == "ack") {
    options.answer = Answer::Byte;
    options.answerByte = equ::kDisplayAcknowledged;
  } else if (value.rfind("byte:", 0) == 0 && value.size() > 5) {
    char* end = nullptr;
    const long byte = std::strtol(value.c_str() + 5, &end, 16);
    if (*end != '\0' || byte < 0 || byte > 255) return false;
    options.answer = Answer::Byte;
    options.answerByte = static_cast<unsigned char>(byte);
  } else if (value == "none") {
    options.answer = Answer::None;
  } else if (value == "close") {
    options.answer = Answer::Close;
  } else {
    return false;
  }
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      std::exit(0);
    }
    if (arg == "--no-blocks") {
      options.blocks = false;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (arg == "--port") {
      options.port = std::atoi(value.c_str());
    } else if (arg == "--bind") {
      options.bind = value;
    } else if (arg == "--answer") {
      if (!ParseAnswer(value, options)) return false;
    } else if (arg == "--count") {
      options.count = std::atol(value.c_str());
    } else if (arg == "--png-dir") {
      options.pngDir = value;
    } else if (arg == "--raw-dir") {
      options.rawDir = value;
    } else {
      return false;
    }
  }
  return true;
}

std::string HexBytes(std::string_view bytes) {
  std::string text;
  char hex[4];
  for (unsigned char c : bytes) {
    std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", c);
    text += hex;
  }
  return text;
}

// Reads until one whole message has come; false when the client closed first or sent
// something that is no message.
bool ReadMessage(int client, std::string& received, equ::TDisplayMessage& message) {
  char buffer[4096];
  for (;;) {
    std::size_t consumed = 0;
    std::string error;
    if (auto decoded = equ::DecodeDisplayMessage(received, consumed, error)) {
      message = std::move(*decoded);
      received.resize(consumed);
      return true;
    }
    if (!error.empty()) {
      std::cout << "refused: " << error << " (" << HexBytes(received.substr(0, 16)) << ")\n";
      return false;
    }
    const ssize_t n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) {
      std::cout << "closed by the client after " << received.size() << " bytes\n";
      return false;
    }
    received.append(buffer, static_cast<std::size_t>(n));
  }
}

void Show(const Options& options, long number, const std::string& raw,
          const equ::TDisplayMessage& message) {
  std::cout << "message " << number << ": length " << message.announcedLength << " ("
            << HexBytes(std::string_view(raw).substr(2, 4)) << ")\n";
  if (!message.wellFormed) {
    std::cout << "payload not understood: " << message.payload << "\n";
    return;
  }
  std::cout << "header: " << message.header << "\n"
            << "duration: " << message.duration << "\n"
            << "qr_data: " << message.qrData << "\n";
  if (options.rawDir) {
    std::filesystem::create_directories(*options.rawDir);
    const auto file = *options.rawDir / ("message-" + std::to_string(number) + ".bin");
    std::ofstream(file, std::ios::binary) << raw;
    std::cout << "raw: " << file.string() << "\n";
  }
  if (options.pngDir) {
    std::filesystem::create_directories(*options.pngDir);
    const auto file = *options.pngDir / ("qr-" + std::to_string(number) + ".png");
    if (display_simulator::WriteQrPng(message.qrData, file, 8)) {
      std::cout << "png: " << file.string() << "\n";
    }
  }
  std::string blocks;
  if (options.blocks && display_simulator::QrTextBlocks(message.qrData, blocks)) {
    std::cout << blocks;
  }
}

void Reply(const Options& options, int client) {
  // What was shown is on record before the client hears the answer.
  std::cout << std::flush;
  if (options.answer == Answer::Byte) {
    const char byte = static_cast<char>(options.answerByte);
    (void)send(client, &byte, 1, MSG_NOSIGNAL);
    std::cout << "answered " << HexBytes(std::string_view(&byte, 1)) << "\n";
  } else if (options.answer == Answer::None) {
    std::cout << "no answer\n" << std::flush;
    char buffer[256];
    while (recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    std::cout << "the client closed the connection\n";
  } else {
    std::cout << "closed without an answer\n";
  }
}

void Serve(const Options& options, int listener) {
  for (long number = 1; options.count < 0 || number <= options.count; ++number) {
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0) return;
    std::string raw;
    equ::TDisplayMessage message;
    if (ReadMessage(client, raw, message)) {
      Show(options, number, raw, message);
      Reply(options, client);
    }
    close(client);
    std::cout << std::flush;
  }
}

int Listen(const Options& options) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return -1;
  const int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(options.port));
  if (inet_pton(AF_INET, options.bind.c_str(), &address.sin_addr) != 1 ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 4) != 0) {
    close(listener);
    return -1;
  }
  return listener;
}

int BoundPort(int listener) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << kUsage;
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  const int listener = Listen(options);
  if (listener < 0) {
    std::cerr << "display_simulator: cannot listen on " << options.bind << ":" << options.port
              << "\n";
    return 1;
  }
  std::cout << "listening on " << options.bind << ":" << BoundPort(listener) << "\n" << std::flush;
  Serve(options, listener);
  close(listener);
  return 0;
}
