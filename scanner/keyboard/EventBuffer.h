#pragma once

#include <cstdint>
#include <vector>

#include "platform/KeyInjector.h"
#include "platform/KeyboardHook.h"

namespace equ {

// A held key event in the form it is replayed.
using TKeyEventStruct = KeyStroke;
using PKeyEventStruct = const TKeyEventStruct*;

// The key events the recognizer holds back, in arrival order. Flush replays them all through
// the injector; Clear drops them. Records are stored by value in reserved space, so holding an
// event costs no allocation once the buffer has grown to the length of a barcode.
class TEventBuffer {
 public:
  // Without an injector Flush drops what is held (no thread of the channel runs).
  explicit TEventBuffer(KeyInjector* injector = nullptr);
  void SetInjector(KeyInjector* injector) { FInjector = injector; }

  void AddEvent(const RawKeyEvent& event);
  // No record when index is out of range.
  PKeyEventStruct GetEvent(std::int32_t index) const;
  // Stores a copy of `item` at index; false when index is out of range.
  bool PutEvent(std::int32_t index, const TKeyEventStruct& item);
  void Flush();
  // Replays only the records that `keep` picks, in order, and empties the buffer.
  template <typename Keep>
  void FlushOnly(Keep keep);
  void Clear() { FEvents.clear(); }
  std::int32_t Count() const { return static_cast<std::int32_t>(FEvents.size()); }

 private:
  std::vector<TKeyEventStruct> FEvents;
  KeyInjector* FInjector;
  // Records taken out before a replay: a replayed key re-enters the hook inside the call, and
  // what the hook then holds goes to FEvents, after what is being replayed.
  std::vector<TKeyEventStruct> FReplaying;
};

template <typename Keep>
void TEventBuffer::FlushOnly(Keep keep) {
  FReplaying.clear();
  FReplaying.swap(FEvents);
  for (const TKeyEventStruct& record : FReplaying) {
    if (FInjector && keep(record)) FInjector->Inject(record);
  }
  FReplaying.clear();
}

// The replay form of a raw event: key-up and extended flags carried over, the time dropped.
TKeyEventStruct ToKeyEventStruct(const RawKeyEvent& event);

}  // namespace equ
