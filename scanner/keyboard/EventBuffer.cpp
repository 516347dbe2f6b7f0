#include "scanner/keyboard/EventBuffer.h"

namespace equ {

namespace {
constexpr std::size_t kReservedEvents = 128;
}

TKeyEventStruct ToKeyEventStruct(const RawKeyEvent& event) {
  TKeyEventStruct record;
  record.vkCode = event.vkCode;
  record.scanCode = event.scanCode;
  record.dwExtraInfo = event.dwExtraInfo;
  if (event.flags & kRawKeyUp) record.flags |= kKeyStrokeUp;
  if (event.flags & kRawKeyExtended) record.flags |= kKeyStrokeExtended;
  return record;
}

TEventBuffer::TEventBuffer(KeyInjector* injector) : FInjector(injector) {
  FEvents.reserve(kReservedEvents);
  FSpare.reserve(kReservedEvents);
}

void TEventBuffer::AddEvent(const RawKeyEvent& event) {
  FEvents.push_back(ToKeyEventStruct(event));
}

PKeyEventStruct TEventBuffer::GetEvent(std::int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &FEvents[static_cast<std::size_t>(index)];
}

bool TEventBuffer::PutEvent(std::int32_t index, const TKeyEventStruct& item) {
  if (index < 0 || index >= Count()) return false;
  FEvents[static_cast<std::size_t>(index)] = item;
  return true;
}

void TEventBuffer::Flush() {
  FlushOnly([](const TKeyEventStruct&) { return true; }, [] {});
}

}  // namespace equ
