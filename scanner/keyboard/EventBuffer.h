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
  // Takes every record out, runs `before`, then replays the records that `keep` picks, in
  // order. The system may deliver further key events inside a replay: what the hook holds then
  // stays in the buffer, after `before` has run.
  template <typename Keep, typename Before>
  void FlushOnly(Keep keep, Before before);
  void Clear() { FEvents.clear(); }
  std::int32_t Count() const { return static_cast<std::int32_t>(FEvents.size()); }

 private:
  std::vector<TKeyEventStruct> FEvents;
  KeyInjector* FInjector;
  // Reserved space lent to the records being replayed; a replay inside a replay gets none.
  std::vector<TKeyEventStruct> FSpare;
};

template <typename Keep, typename Before>
void TEventBuffer::FlushOnly(Keep keep, Before before) {
  std::vector<TKeyEventStruct> replaying;
  replaying.swap(FSpare);
  replaying.swap(FEvents);
  before();
  for (const TKeyEventStruct& record : replaying) {
    if (FInjector && keep(record)) FInjector->Inject(record);
  }
  replaying.clear();
  if (replaying.capacity() > FSpare.capacity()) FSpare.swap(replaying);
}

// The replay form of a raw event: key-up and extended flags carried over, the time dropped.
TKeyEventStruct ToKeyEventStruct(const RawKeyEvent& event);

}  // namespace equ
