// Cost of the keyboard hook's work per key event: the hook runs inside every keystroke of the
// desktop. Figures: median time per event for keys that pass and keys that are held, and
// heap allocations per passed key. Build optimised (Release, no sanitizers) for real figures.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>

#include "KeyboardRig.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Every allocation of the program is counted; the replacements pair malloc with free, which
// GCC cannot see through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

namespace equ::testing {
namespace {

RawKeyEvent Key(std::uint32_t vk, std::uint32_t flags) {
  return {vk, KeyboardRig::ScanCodeOf(vk), flags, 0, 0};
}

// Only the channel's work is timed: the fake hook neither models the application nor watches
// its own time-out here.
void TimeOnlyTheChannel(KeyboardRig& rig) {
  rig.hook->application = nullptr;
  rig.hook->threadBusy = nullptr;
  rig.hook->clock = nullptr;
}

// Prefix/postfix mode, a key that cannot start a barcode: it passes at once (down and up).
void BM_PassedKey(benchmark::State& state) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  TimeOnlyTheChannel(rig);
  const RawKeyEvent down = Key('X', 0);
  const RawKeyEvent up = Key('X', kRawKeyUp);
  rig.hook->Send(kMsgKeyDown, down);  // warm up
  rig.hook->Send(kMsgKeyUp, up);
  const long before = g_allocations.load();
  std::int64_t events = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rig.hook->Send(kMsgKeyDown, down));
    benchmark::DoNotOptimize(rig.hook->Send(kMsgKeyUp, up));
    events += 2;
  }
  state.SetItemsProcessed(events);
  state.counters["ns_per_event"] = benchmark::Counter(
      static_cast<double>(events), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_event"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(events);
}

// A replayed key coming back through the hook: passes on its injected flag.
void BM_PassedInjectedKey(benchmark::State& state) {
  KeyboardRig rig;
  TimeOnlyTheChannel(rig);
  const RawKeyEvent down = Key('1', kRawKeyInjected);
  const long before = g_allocations.load();
  std::int64_t events = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rig.hook->Send(kMsgKeyDown, down));
    ++events;
  }
  state.SetItemsProcessed(events);
  state.counters["ns_per_event"] = benchmark::Counter(
      static_cast<double>(events), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_event"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(events);
}

// Interval mode, a scanner's burst: 12 digits down and up, all held; the delivery after each
// burst is not timed.
void BM_HeldKey(benchmark::State& state) {
  constexpr int kKeys = 12;
  KeyboardRig rig;
  TimeOnlyTheChannel(rig);
  std::int64_t events = 0;
  long heldAllocations = 0;
  for (auto _ : state) {
    const long before = g_allocations.load();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kKeys; ++i) {
      const std::uint32_t vk = '0' + static_cast<std::uint32_t>(i % 10);
      benchmark::DoNotOptimize(rig.hook->Send(kMsgKeyDown, Key(vk, 0)));
      benchmark::DoNotOptimize(rig.hook->Send(kMsgKeyUp, Key(vk, kRawKeyUp)));
    }
    const auto stop = std::chrono::steady_clock::now();
    heldAllocations += g_allocations.load() - before;
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    events += 2 * kKeys;
    rig.Wait(100);  // delivers the barcode
  }
  state.SetItemsProcessed(events);
  state.counters["ns_per_event"] = benchmark::Counter(
      static_cast<double>(events), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_event"] =
      static_cast<double>(heldAllocations) / static_cast<double>(events);
  state.counters["barcodes"] = static_cast<double>(rig.deliveries.size());
}

BENCHMARK(BM_PassedKey)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_PassedInjectedKey)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_HeldKey)->UseManualTime()->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace equ::testing

BENCHMARK_MAIN();
