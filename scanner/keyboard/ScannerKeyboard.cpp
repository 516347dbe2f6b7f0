#include "scanner/keyboard/ScannerKeyboard.h"

#include <atomic>
#include <string>
#include <utility>

#include "equipment/common/AppLog.h"
#include "platform/CodePage.h"
#include "platform/RequiredPort.h"
#include "scanner/keyboard/CharCodes.h"
#include "scanner/keyboard/KeyState.h"

namespace equ {

namespace {

constexpr std::uint32_t kUsEnglish = 1033;

std::atomic<TScannerKeyboard*> g_currentKeyboardScanner{nullptr};

const TKeyboardPorts& RequireKeyboardPorts(const TKeyboardPorts& ports) {
  constexpr const char* kChannel = "TScannerKeyboard";
  RequirePort(ports.threads, kChannel, "keyboard threads");
  RequirePort(ports.translator, kChannel, "key translator");
  RequirePort(ports.textCase, kChannel, "text case");
  RequirePort(ports.xml, kChannel, "XML document");
  RequirePort(ports.codePage, kChannel, "code page");
  RequirePort(ports.hostWindows, kChannel, "host windows");
  return ports;
}

KeyboardThreadPorts RequireThreadPorts(KeyboardThreadPorts ports) {
  constexpr const char* kThread = "TScannerKeyboard thread";
  RequirePort(ports.hook, kThread, "keyboard hook");
  RequirePort(ports.timer, kThread, "timer");
  RequirePort(ports.injector, kThread, "key injector");
  return ports;
}

// Translation yields codes of the ANSI code page, as the prefixes and postfixes are held; both
// become characters through that code page, so a Cyrillic key matches a Cyrillic prefix.
std::array<char16_t, 256> AnsiCharacters(const CodePage& codePage) {
  std::string codes(256, '\0');
  for (std::size_t code = 0; code < codes.size(); ++code) codes[code] = static_cast<char>(code);
  const WideString text = codePage.FromAnsi(codes);
  std::array<char16_t, 256> characters{};
  for (std::size_t code = 0; code < characters.size(); ++code) {
    // A code page whose bytes are not one character each keeps the codes as they are.
    characters[code] = text.size() == codes.size() ? text[code] : static_cast<char16_t>(code);
  }
  return characters;
}

bool IsKeyDown(std::uint32_t message) {
  return message == kMsgKeyDown || message == kMsgSysKeyDown;
}
bool IsKeyUp(std::uint32_t message) {
  return message == kMsgKeyUp || message == kMsgSysKeyUp;
}

}  // namespace

TScannerKeyboard* CurrentKeyboardScanner() {
  return g_currentKeyboardScanner.load();
}

TScannerKeyboard::TScannerKeyboard(TKeyboardPorts ports)
    : TBaseScanners(RequireKeyboardPorts(ports).xml, ports.codePage),
      FPorts(std::move(ports)),
      FThreadPorts(RequireThreadPorts(FPorts.threads->CreateForThisThread())),
      FHook(FThreadPorts.hook.get()),
      FTimer(FThreadPorts.timer.get()),
      FEventBuffer(*FThreadPorts.injector),
      FAnsiChars(AnsiCharacters(*FPorts.codePage)) {
  g_currentKeyboardScanner.store(this);
  ClearPrevEvent();
  FTimer->Stop();
  FTimer->SetInterval(FInterCharInterval);
  FTimer->SetTickHandler([this] { OnTimerTick(); });
  SetKeyboardLayout(kUsEnglish);
  FDeleteCRLFPostfix = true;
  ResetState();
}

TScannerKeyboard::~TScannerKeyboard() {
  FOnGetData = nullptr;
  Disable();
  FTimer->SetTickHandler(nullptr);
  // Only this channel's own reference goes: a newer channel stays current.
  TScannerKeyboard* self = this;
  g_currentKeyboardScanner.compare_exchange_strong(self, nullptr);
}

std::int32_t TScannerKeyboard::Enable() {
  Disable();
  ResetState();
  FTimer->Stop();
  FTimer->SetInterval(FInterCharInterval);
  if (!FHook->IsInstalled()) {
    // A refused hook leaves the channel silent; IsHookInstalled tells.
    static_cast<void>(FHook->Install([this](std::uint32_t message, const RawKeyEvent& event) {
      return ProcessKeyEvent(message, event);
    }));
  }
  return 0;
}

void TScannerKeyboard::Disable() {
  FTimer->Stop();
  if (FHook->IsInstalled()) FHook->Remove();
}

void TScannerKeyboard::Clear() {
  TBaseScanners::Clear();
  FUseInterCharInt = false;
}

TScanner* TScannerKeyboard::Add(const WideString& prefix, const WideString& postfix) {
  TScanner* added = TBaseScanners::Add(prefix, postfix);
  FUseInterCharInt = prefix.empty() || postfix.empty();
  return added;
}

bool TScannerKeyboard::CheckChar(char16_t ch) {
  const bool held = CheckCharStep(ch);
  DeliverDueData();
  return held;
}

bool TScannerKeyboard::ProcessKeyEvent(std::uint32_t message, const RawKeyEvent& event) {
  if (FIgnoreEvents) return true;
  if (event.flags & kRawKeyInjected) return false;
  if (IsRepeatedEvent(event)) {
    FlushEvents();
    return false;
  }
  UpdateKeyState(FKeyboardState, message, event.vkCode, FIgnoreModificators);
  bool hold = false;
  if (IsKeyDown(message)) {
    hold = DecideKeyDown(event);
  } else if (IsKeyUp(message)) {
    hold = FTimer->IsRunning();
  }
  // After a prefix/postfix delivery this holds the completing key-down through the pause.
  if (hold) FEventBuffer.AddEvent(event);
  DeliverDueData();
  return hold;
}

bool TScannerKeyboard::DecideKeyDown(const RawKeyEvent& event) {
  RestartTimer();
  std::uint8_t code = 0;
  const int count = FPorts.translator->Translate(event.vkCode, event.scanCode, FKeyboardState,
                                                 FKeyboardLayout, code);
  if (count == 1) return CheckCharStep(FAnsiChars[code]);
  if (IsModifierKey(event.vkCode)) return true;
  // A key that types nothing (a function or arrow key) passes at once; what is held goes out
  // before it, so the application receives the keys in the order they were pressed.
  FlushEvents();
  return false;
}

bool TScannerKeyboard::CheckCharStep(char16_t ch) {
  if (FUseInterCharInt) {
    FBuffer += ch;
    return true;
  }
  switch (FindMatch(ch)) {
    case mPrefix:
      FBuffer += ch;
      return true;
    case mMatch:
      FBuffer += ch;
      ReadData();
      return true;
    case mNone:
    default:
      if (FTimer->IsRunning()) DoTimer();
      return false;
  }
}

TMatch TScannerKeyboard::FindMatch(char16_t ch) {
  FCandidate.assign(FBuffer);
  FCandidate += ch;
  TMatch result = mNone;
  for (std::int32_t i = 0; i < Count(); ++i) {
    switch (Get(i)->CheckMatch(FCandidate, FScanData)) {
      case mPrefix:
        result = mPrefix;
        break;
      case mMatch:
        return mMatch;
      case mNone:
        break;
    }
  }
  return result;
}

void TScannerKeyboard::ReadData() {
  WideString text = FUseInterCharInt ? FBuffer : FScanData;
  if (FDeleteCRLFPostfix) text = DeleteCRLF(text);
  if (FUpperCaseData) text = FPorts.textCase->ToUpper(text);
  WideString raw = FBuffer;
  ResetState();
  FIgnoreEvents = true;
  RestartTimer();
  FEventBuffer.Clear();
  AppLog(u"TScannerKeyboard.ReadData", u"ScannerData=" + text + u" RawData=" + raw, kLogDebug);
  FDelivery.value = std::move(text);
  FDelivery.raw = std::move(raw);
  FDelivery.due = true;
}

void TScannerKeyboard::OnTimerTick() {
  DoTimer();
  DeliverDueData();
}

void TScannerKeyboard::DoTimer() {
  FTimer->Stop();
  if (FUseInterCharInt && FBuffer.size() >= 2 && FBuffer.size() >= FMinDataLen) {
    ReadData();
  } else {
    FlushEvents();
  }
  ResetState();
}

void TScannerKeyboard::FlushEvents() {
  FBuffer.clear();
  FScanData.clear();
  FEventBuffer.Flush();
}

void TScannerKeyboard::ResetState() {
  FIgnoreEvents = false;
  FTimer->Stop();
  FEventBuffer.Clear();
  FBuffer.clear();
  FScanData.clear();
  ClearPrevEvent();
  FKeyboardState.fill(0);
}

void TScannerKeyboard::RestartTimer() {
  FTimer->Stop();
  FTimer->Start();
}

bool TScannerKeyboard::IsRepeatedEvent(const RawKeyEvent& event) {
  const bool repeated = event.vkCode == FPrevEvent.vkCode && event.flags == FPrevEvent.flags;
  FPrevEvent = event;
  return repeated;
}

void TScannerKeyboard::DeliverDueData() {
  if (!FDelivery.due) return;
  FDelivery.due = false;
  const WideString value = std::move(FDelivery.value);
  const WideString raw = std::move(FDelivery.raw);
  const TOnGetData handler = FOnGetData;
  if (handler) handler(value, raw);
}

}  // namespace equ
