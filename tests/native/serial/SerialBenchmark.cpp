// Figures of the RS232 channel on a socat pty pair: the time from the last byte of a barcode
// written to the line until OnGetScanData runs on the host thread (goal: one 5 ms poll period
// plus 2 ms), and sustained input at the byte rate of 115200 baud with no barcode lost.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SerialTestSupport.h"
#include "platform/posix/PosixMessageWindow.h"
#include "platform/posix/PosixSerialPort.h"
#include "scanner/serial/ScannerRS232.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Channel {
  equ::testing::PtyPair pty{11};
  std::shared_ptr<equ::posix::PosixMessageWindows> windows =
      std::make_shared<equ::posix::PosixMessageWindows>();
  std::unique_ptr<equ::TScannerRS232> scanner;
  std::size_t received = 0;
  Clock::time_point lastDelivery;

  bool Start() {
    if (!pty.Ready()) return false;
    const std::string directory = pty.Directory();
    scanner = std::make_unique<equ::TScannerRS232>(equ::testing::ChannelPorts(
        windows, [directory] { return std::make_unique<equ::posix::PosixSerialPort>(directory); }));
    scanner->SetPortNumber(11);
    scanner->SetBaudRate(115200);
    scanner->SetPostfix("");
    scanner->SetOnGetScanData([this](const equ::WideString&) {
      lastDelivery = Clock::now();
      ++received;
    });
    return scanner->Enable() == 0;
  }
  bool Await(std::size_t count, int ms) {
    return windows->ServeMessagesUntil([&] { return received >= count; }, ms);
  }
};

void BM_LastByteToCallback(benchmark::State& state) {
  Channel channel;
  if (!channel.Start()) {
    state.SkipWithError("no pty pair (is socat installed?)");
    return;
  }
  double worstMs = 0;
  for (auto _ : state) {
    const std::size_t before = channel.received;
    channel.pty.Write("4600000000011\r\n");
    const Clock::time_point written = Clock::now();
    if (!channel.Await(before + 1, 2000)) {
      state.SkipWithError("a barcode did not arrive");
      break;
    }
    const double seconds = std::chrono::duration<double>(channel.lastDelivery - written).count();
    worstMs = std::max(worstMs, seconds * 1000);
    state.SetIterationTime(seconds);
    // A random phase against the reader's poll period for the next barcode.
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + (before * 1300) % 5000));
  }
  state.counters["worst_ms"] = worstMs;
  state.counters["goal_ms"] = 7;
}
BENCHMARK(BM_LastByteToCallback)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_Sustained115200(benchmark::State& state) {
  Channel channel;
  if (!channel.Start()) {
    state.SkipWithError("no pty pair (is socat installed?)");
    return;
  }
  constexpr double kBytesPerSecond = 115200.0 / 10;  // 8 data bits, a start and a stop bit
  constexpr int kCodes = 2000;
  for (auto _ : state) {
    channel.received = 0;
    std::string stream;
    for (int i = 0; i < kCodes; ++i) stream += "C" + std::to_string(1000000 + i) + "\r\n";
    const Clock::time_point start = Clock::now();
    std::thread writer([&] {
      // Paced in 1 ms slices at the line's byte rate.
      std::size_t at = 0;
      while (at < stream.size()) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const auto due =
            std::min(stream.size(), static_cast<std::size_t>(elapsed * kBytesPerSecond));
        if (due > at) {
          channel.pty.Write(std::string_view(stream).substr(at, due - at));
          at = due;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    channel.Await(kCodes, 10000);
    writer.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    state.counters["bytes"] = static_cast<double>(stream.size());
    state.counters["bytes_per_second"] = static_cast<double>(stream.size()) / seconds;
    state.counters["lost_codes"] =
        static_cast<double>(kCodes) - static_cast<double>(channel.received);
  }
}
BENCHMARK(BM_Sustained115200)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
