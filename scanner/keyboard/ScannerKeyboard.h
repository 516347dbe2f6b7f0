#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "equipment/common/WideString.h"
#include "platform/KeyTranslator.h"
#include "platform/KeyboardHook.h"
#include "scanner/keyboard/BaseScanners.h"
#include "scanner/keyboard/EventBuffer.h"
#include "scanner/keyboard/KeyboardPorts.h"

namespace equ {

// Receives each barcode: Value is the finished barcode, ExtData the raw characters typed
// (prefix, postfix and line ends included).
using TOnGetData = std::function<void(const WideString& value, const WideString& extData)>;

// The keyboard-wedge channel: watches every key event of the desktop, holds back the keys
// that may belong to a barcode, delivers barcodes through OnGetData and replays held keys that
// turn out to be a person typing.
//
// Recognition follows the last definition added: with an empty prefix or postfix a run of at
// least 2 and at least MinDataLen characters whose key-downs come within InterCharInterval of
// one another is a barcode (interval mode); with both, prefix + data + postfix of any
// definition is one (prefix/postfix mode), and the interval only bounds the pause between keys.
//
// Use, all on one thread that pumps messages (the hook and the timer arrive through its loop):
//   TScannerKeyboard channel(ports);   // every port given (KeyboardPorts.h)
//   channel.SetOnGetData([](const WideString& value, const WideString& raw) { ... });
//   channel.SetInterCharInterval(60);  channel.SetMinDataLen(3);  ...
//   channel.Add(prefix, postfix);      // codes such as "#013" are decoded
//   channel.Enable();                  // settings take effect here
//   ...
//   channel.Disable();                 // held keys are dropped, not replayed
// OnGetData may disable, re-enable or even destroy the channel: it is the last thing the
// channel does for the key event or timer tick that completed the barcode.
class TScannerKeyboard : public TBaseScanners {
 public:
  // Makes the hook, timer and injector on the calling thread. Raises std::logic_error naming
  // the port when one is missing.
  explicit TScannerKeyboard(TKeyboardPorts ports);
  ~TScannerKeyboard() override;

  // Resets the recognizer, applies InterCharInterval and installs the hook. Answers 0 even
  // when the platform refused the hook (see IsHookInstalled): the channel is silent then.
  std::int32_t Enable();
  // Stops the timer and removes the hook; held keys are neither delivered nor replayed.
  void Disable();

  void Clear() override;
  TScanner* Add(const WideString& prefix, const WideString& postfix) override;
  using TBaseScanners::Add;

  // Offers one typed character to the recognizer; true when it is held as part of a
  // possible barcode.
  bool CheckChar(char16_t ch);

  std::uint8_t MinDataLen() const { return FMinDataLen; }
  void SetMinDataLen(std::uint8_t value) { FMinDataLen = value; }
  std::uint32_t InterCharInterval() const { return FInterCharInterval; }
  void SetInterCharInterval(std::uint32_t milliseconds) { FInterCharInterval = milliseconds; }
  // A language identifier (1033, 1049) becomes the layout handle value 0x04090409, 0x04190419.
  std::uint32_t KeyboardLayout() const { return FKeyboardLayout; }
  void SetKeyboardLayout(std::uint32_t value) { FKeyboardLayout = value | (value << 16); }
  bool IgnoreModificators() const { return FIgnoreModificators; }
  void SetIgnoreModificators(bool value) { FIgnoreModificators = value; }
  bool UpperCaseData() const { return FUpperCaseData; }
  void SetUpperCaseData(bool value) { FUpperCaseData = value; }
  bool DeleteCRLFPostfix() const { return FDeleteCRLFPostfix; }
  void SetDeleteCRLFPostfix(bool value) { FDeleteCRLFPostfix = value; }
  const TOnGetData& OnGetData() const { return FOnGetData; }
  void SetOnGetData(TOnGetData handler) { FOnGetData = std::move(handler); }

  // State, for diagnostics and tests.
  bool IsHookInstalled() const { return FHook->IsInstalled(); }
  bool UsesInterCharInterval() const { return FUseInterCharInt; }
  bool IsPaused() const { return FIgnoreEvents; }
  const TEventBuffer& HeldEvents() const { return FEventBuffer; }
  const WideString& Buffer() const { return FBuffer; }
  const KeyboardState& KeyState() const { return FKeyboardState; }

 private:
  struct Delivery {
    bool due = false;
    WideString value;
    WideString raw;
  };

  // True: swallow the event.
  bool ProcessKeyEvent(std::uint32_t message, const RawKeyEvent& event);
  bool DecideKeyDown(const RawKeyEvent& event);
  bool CheckCharStep(char16_t ch);
  TMatch FindMatch(char16_t ch);
  void ReadData();
  void OnTimerTick();
  void DoTimer();
  void FlushEvents();
  void ResetState();
  void RestartTimer();
  bool IsRepeatedEvent(const RawKeyEvent& event);
  void ClearPrevEvent() { FPrevEvent = RawKeyEvent{}; }
  // Calls OnGetData for a barcode that ReadData prepared. It must be the last step of an
  // event or tick: the handler may destroy the channel.
  void DeliverDueData();

  TKeyboardPorts FPorts;
  KeyboardThreadPorts FThreadPorts;
  KeyboardHook* FHook;
  OneShotTimer* FTimer;
  KeyboardState FKeyboardState{};
  std::uint8_t FMinDataLen = 3;
  bool FIgnoreEvents = false;
  std::uint32_t FInterCharInterval = 40;
  TEventBuffer FEventBuffer;
  // The character of each single-byte code of the system ANSI code page.
  std::array<char16_t, 256> FAnsiChars{};
  std::uint32_t FKeyboardLayout = 0;
  TOnGetData FOnGetData;
  RawKeyEvent FPrevEvent{};
  WideString FBuffer;
  WideString FScanData;
  WideString FCandidate;  // FBuffer + the character being matched, kept to reuse its space
  bool FUseInterCharInt = false;
  bool FIgnoreModificators = false;
  bool FUpperCaseData = false;
  bool FDeleteCRLFPostfix = true;
  Delivery FDelivery;
};

// The most recently created keyboard channel of the process, or none.
TScannerKeyboard* CurrentKeyboardScanner();

}  // namespace equ
