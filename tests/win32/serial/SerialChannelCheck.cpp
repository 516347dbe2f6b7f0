// The RS232 channel end to end under Wine: opens COM<port> at <baud>, reports READY, then
// serves the host thread's messages until <count> barcodes have come (or <seconds> pass),
// printing each as "GOT <text>" (UTF-8), and ends with "DONE <received>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "equipment/common/WideString.h"
#include "platform/PlatformPorts.h"
#include "scanner/serial/ScannerRS232.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::printf("usage: SerialChannelCheck port baud count seconds\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const auto baud = static_cast<std::uint32_t>(std::atoi(argv[2]));
  const auto count = static_cast<std::size_t>(std::atoi(argv[3]));
  const int seconds = std::atoi(argv[4]);

  const equ::PlatformPorts& platform = equ::Platform();
  equ::TScannerRS232 channel(equ::SerialChannelPortsOf(platform));
  channel.SetPortNumber(static_cast<std::uint8_t>(port));
  channel.SetBaudRate(baud);
  channel.SetPostfix("");
  std::vector<std::string> received;
  const DWORD hostThread = GetCurrentThreadId();
  bool onHostThread = true;
  channel.SetOnGetScanData([&](const equ::WideString& data) {
    onHostThread = onHostThread && GetCurrentThreadId() == hostThread;
    received.push_back(equ::WideToUtf8(data));
    std::printf("GOT %s\n", received.back().c_str());
    std::fflush(stdout);
  });
  const std::int32_t result = channel.Enable();
  if (result != 0) {
    std::printf("ENABLE %d %s\n", static_cast<int>(result),
                equ::WideToUtf8(channel.ResultDescription()).c_str());
    std::printf("DONE 0\n");
    return 1;
  }
  std::printf("READY\n");
  std::fflush(stdout);
  platform.messageWindows->ServeMessagesUntil([&] { return received.size() >= count; },
                                              seconds * 1000);
  channel.Disable();
  std::printf("HOSTTHREAD %s\n", onHostThread ? "yes" : "no");
  std::printf("DONE %zu\n", received.size());
  return received.size() >= count && onHostThread ? 0 : 1;
}
