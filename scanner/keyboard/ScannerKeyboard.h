#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "equipment/common/WideString.h"
#include "platform/KeyTranslator.h"
#include "platform/KeyboardHook.h"
#include "platform/KeyboardThreadPorts.h"
#include "platform/MessageWindow.h"
#include "scanner/keyboard/BaseScanners.h"
#include "scanner/keyboard/EventBuffer.h"
#include "scanner/keyboard/KeyboardPorts.h"

namespace equ {

// Receives each barcode: Value is the finished barcode, ExtData the raw characters typed
// (prefix, postfix and line ends included).
using TOnGetData = std::function<void(const WideString& value, const WideString& extData)>;
// Told on the host thread when the system had taken the keyboard hook away and it was put back.
using TOnHookLost = std::function<void(const WideString& description)>;

// The keyboard-wedge channel: watches every key event of the desktop, holds back the keys
// that may belong to a barcode, delivers barcodes through OnGetData and replays held keys that
// turn out to be a person typing.
//
// Recognition follows the last definition added: with an empty prefix or postfix a run of at
// least 2 and at least MinDataLen characters whose key-downs come within InterCharInterval of
// one another is a barcode (interval mode); with both, prefix + data + postfix of any
// definition is one (prefix/postfix mode), and the interval only bounds the pause between keys.
//
// Threads: Enable starts a thread of the channel's own with its own message loop; the hook,
// the recognizer and its timer live there, so a host thread busy with a receipt or a message
// box never keeps the system waiting for the hook (Windows removes a hook that does not answer
// in time). Every barcode is posted to the thread that enabled the channel and reaches
// OnGetData there, in order, after the hook procedure has returned. Disable and destruction end
// the thread. The setters are for a disabled channel (their values apply at the next Enable).
//
// The application never keeps a key down because of the channel: a key-up whose key-down
// reached the application reaches it too, in order, also when the key-up fell into a barcode,
// into the pause after one, or was held when the channel was disabled.
//
// Use, on a thread that pumps messages:
//   TScannerKeyboard channel(ports);   // every port given (KeyboardPorts.h)
//   channel.SetOnGetData([](const WideString& value, const WideString& raw) { ... });
//   channel.SetInterCharInterval(60);  channel.SetMinDataLen(3);  ...
//   channel.Add(prefix, postfix);      // codes such as "#013" are decoded
//   channel.Enable();                  // settings take effect here
//   ...
//   channel.Disable();                 // held keys are dropped (owed key-ups replayed)
// OnGetData may disable, re-enable or even destroy the channel.
class TScannerKeyboard : public TBaseScanners {
 public:
  // Raises std::logic_error naming the port when one is missing.
  explicit TScannerKeyboard(TKeyboardPorts ports);
  ~TScannerKeyboard() override;

  // Resets the recognizer, applies InterCharInterval, starts the channel's thread and installs
  // the hook there; answers once the hook is in place. A failure (no thread, no hook, no host
  // window) answers 1001 with the reason in ResultDescription, and nothing is left running.
  // Raises std::logic_error when the thread-port factory leaves a port out.
  std::int32_t Enable();
  // Removes the hook and ends the thread; held keys are neither delivered nor replayed, but
  // key-ups owed to the application are.
  void Disable();
  const WideString& ResultDescription() const { return FResultDescription; }

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
  void SetOnHookLost(TOnHookLost handler) { FOnHookLost = std::move(handler); }

  // How often, at a quiet moment, the hook is renewed and checked (KeyboardHook::Renew).
  static constexpr std::uint32_t kHookCheckIntervalMs = 3000;

  // State, for diagnostics and tests; the hook's state may be read from any thread.
  bool IsHookInstalled() const { return FHookInstalled.load(); }
  // How many times the system had taken the hook away since the channel was made.
  int HookLosses() const { return FHookLosses.load(); }
  // The hook's state as a sentence for the user (CheckHealth).
  WideString HookStateText() const;
  bool UsesInterCharInterval() const { return FUseInterCharInt; }
  bool IsPaused() const { return FIgnoreEvents; }
  const TEventBuffer& HeldEvents() const { return FEventBuffer; }
  const WideString& Buffer() const { return FBuffer; }
  const KeyboardState& KeyState() const { return FKeyboardState; }

 private:
  struct HostMail;

  // --- on the host thread
  std::int32_t Fail(const WideString& description);
  PortStatus EnsureHostWindow();
  void DeliverMail();

  // --- on the channel's thread
  void StartOnThread(PortStatus& installed);
  void StopOnThread();
  // True: swallow the event.
  bool ProcessKeyEvent(std::uint32_t message, const RawKeyEvent& event);
  bool ProcessPausedEvent(std::uint32_t message, const RawKeyEvent& event);
  bool DecideKeyDown(const RawKeyEvent& event);
  bool CheckCharStep(char16_t ch);
  TMatch FindMatch(char16_t ch);
  void ReadData();
  void OnTimerTick();
  void DoTimer();
  void FlushEvents();
  // Drops what is held (replaying the owed key-ups) and clears the recognizer's state.
  void ResetState();
  void ClearState();
  // Empties the event buffer, replaying only the key-ups whose key-downs reached the
  // application.
  void DropHeldEvents();
  // True (and noted) for a held key-up whose key-down reached the application.
  bool IsOwedKeyUp(const TKeyEventStruct& record);
  void RestartTimer();
  bool IsRepeatedEvent(const RawKeyEvent& event);
  void ClearPrevEvent() { FPrevEvent = RawKeyEvent{}; }
  // Keeps track of which key-downs reached the application.
  void NoteReachedApplication(std::uint32_t vkCode, bool keyUp);
  bool IsHeldDown(std::uint32_t vkCode) const;
  void CheckHook();
  void Post(bool hookLost, WideString value, WideString raw);

  TKeyboardPorts FPorts;
  std::unique_ptr<KeyboardThread> FThread;
  std::unique_ptr<MessageWindow> FHostWindow;
  std::shared_ptr<HostMail> FMail;
  WideString FResultDescription;
  TOnHookLost FOnHookLost;
  std::atomic<bool> FHookInstalled{false};
  std::atomic<int> FHookLosses{0};

  KeyboardThreadPorts FThreadPorts;
  KeyboardHook* FHook = nullptr;
  OneShotTimer* FTimer = nullptr;
  OneShotTimer* FCheckTimer = nullptr;
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
  // Keys whose last key-down reached the application and whose key-up has not yet.
  std::array<bool, 256> FDownAtApplication{};
};

// The most recently created keyboard channel of the process, or none.
TScannerKeyboard* CurrentKeyboardScanner();

}  // namespace equ
