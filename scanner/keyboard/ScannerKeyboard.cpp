#include "scanner/keyboard/ScannerKeyboard.h"

#include <atomic>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <utility>

#include "equipment/common/AppLog.h"
#include "equipment/common/ResultCodes.h"
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
  RequirePort(ports.checkTimer, kThread, "hook check timer");
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

// Posted to the host window for each barcode or alarm waiting in the mail.
constexpr std::uint32_t kMailMessage = 0x0400 + 13;  // WM_USER + 13, a message of our own window

constexpr char16_t kNoThread[] = u"Не удалось запустить поток клавиатурного сканера: ";
constexpr char16_t kNoHook[] = u"Не удалось установить перехват клавиатуры: ";
constexpr char16_t kNoHostWindow[] = u"Не удалось создать окно для передачи штрихкодов: ";
constexpr char16_t kHookLost[] =
    u"Перехват клавиатуры был снят системой и установлен заново; клавиши, нажатые за это время, "
    u"прошли мимо сканера";
constexpr char16_t kHookNotRenewed[] = u"Не удалось обновить перехват клавиатуры: ";

}  // namespace

TScannerKeyboard* CurrentKeyboardScanner() {
  return g_currentKeyboardScanner.load();
}

// What the channel's thread hands to the host thread, in order: barcodes and hook alarms.
struct TScannerKeyboard::HostMail {
  struct Item {
    bool hookLost = false;
    WideString value;
    WideString raw;
  };
  std::mutex lock;
  std::deque<Item> items;
  // The channel, while it lives; read and cleared on the host thread only.
  TScannerKeyboard* channel = nullptr;
};

TScannerKeyboard::TScannerKeyboard(TKeyboardPorts ports)
    : TBaseScanners(RequireKeyboardPorts(ports).xml, ports.codePage),
      FPorts(std::move(ports)),
      FMail(std::make_shared<HostMail>()),
      FAnsiChars(AnsiCharacters(*FPorts.codePage)) {
  FMail->channel = this;
  g_currentKeyboardScanner.store(this);
  ClearPrevEvent();
  SetKeyboardLayout(kUsEnglish);
  FDeleteCRLFPostfix = true;
  ResetState();
}

TScannerKeyboard::~TScannerKeyboard() {
  FOnGetData = nullptr;
  FOnHookLost = nullptr;
  Disable();
  FMail->channel = nullptr;
  FHostWindow.reset();
  // Only this channel's own reference goes: a newer channel stays current.
  TScannerKeyboard* self = this;
  g_currentKeyboardScanner.compare_exchange_strong(self, nullptr);
}

// --- host thread ------------------------------------------------------------------------------

std::int32_t TScannerKeyboard::Enable() {
  Disable();
  FResultDescription.clear();
  if (PortStatus window = EnsureHostWindow(); !window) {
    return Fail(kNoHostWindow + window.error());
  }
  auto thread = FPorts.threads->StartThread();
  if (!thread) return Fail(kNoThread + thread.error());
  FThread = std::move(*thread);
  PortStatus installed;
  std::exception_ptr failure;
  FThread->Call([&] {
    try {
      StartOnThread(installed);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  if (failure) {
    Disable();
    std::rethrow_exception(failure);
  }
  if (!installed) {
    Disable();
    return Fail(kNoHook + installed.error());
  }
  return kResultOk;
}

void TScannerKeyboard::Disable() {
  if (!FThread) return;
  FThread->Call([this] { StopOnThread(); });
  FThread.reset();
}

std::int32_t TScannerKeyboard::Fail(const WideString& description) {
  FResultDescription = description;
  AppLog(u"TScannerKeyboard.Enable", description, kLogError);
  return kResultUnknownError;
}

PortStatus TScannerKeyboard::EnsureHostWindow() {
  if (FHostWindow) return {};
  // The procedure keeps the mail alive by itself: OnGetData may destroy the channel and with
  // it this window while the procedure runs.
  auto window =
      FPorts.hostWindows->Create([mail = FMail](const WindowMessage& message) -> std::intptr_t {
        if (message.message != kMailMessage) return 0;
        const std::shared_ptr<HostMail> keep = mail;
        if (keep->channel) keep->channel->DeliverMail();
        return 0;
      });
  if (!window) return PortFailure(window.error());
  FHostWindow = std::move(*window);
  return {};
}

// One item per posted message: a handler that runs a modal loop gets the next barcode only
// after this one, in the order they were read.
void TScannerKeyboard::DeliverMail() {
  HostMail::Item item;
  {
    const std::lock_guard<std::mutex> guard(FMail->lock);
    if (FMail->items.empty()) return;
    item = std::move(FMail->items.front());
    FMail->items.pop_front();
  }
  // Copies, and the last thing done here: the handler may destroy the channel.
  if (item.hookLost) {
    const TOnHookLost handler = FOnHookLost;
    if (handler) handler(item.value);
    return;
  }
  const TOnGetData handler = FOnGetData;
  if (handler) handler(item.value, item.raw);
}

WideString TScannerKeyboard::HookStateText() const {
  if (!IsHookInstalled()) return u"Перехват клавиатуры не установлен";
  const int losses = HookLosses();
  if (losses == 0) return u"Перехват клавиатуры установлен и работает";
  return u"Перехват клавиатуры установлен и работает; снимался системой и восстановлен, раз: " +
         Utf8ToWide(std::to_string(losses));
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

// --- the channel's thread ---------------------------------------------------------------------

void TScannerKeyboard::StartOnThread(PortStatus& installed) {
  FThreadPorts = RequireThreadPorts(FPorts.threads->CreateForThisThread());
  FHook = FThreadPorts.hook.get();
  FTimer = FThreadPorts.timer.get();
  FCheckTimer = FThreadPorts.checkTimer.get();
  FEventBuffer.SetInjector(FThreadPorts.injector.get());
  FTimer->Stop();
  FTimer->SetInterval(FInterCharInterval);
  FTimer->SetTickHandler([this] { OnTimerTick(); });
  FCheckTimer->SetInterval(kHookCheckIntervalMs);
  FCheckTimer->SetTickHandler([this] { CheckHook(); });
  ResetState();
  installed = FHook->Install([this](std::uint32_t message, const RawKeyEvent& event) {
    return ProcessKeyEvent(message, event);
  });
  if (!installed) return;
  FHookInstalled.store(true);
  FCheckTimer->Start();
}

void TScannerKeyboard::StopOnThread() {
  if (FTimer) {
    FTimer->Stop();
    // Replays the key-ups owed to the application while the hook still lets them by.
    FIgnoreEvents = false;
    DropHeldEvents();
    FTimer->SetTickHandler(nullptr);
  }
  if (FCheckTimer) {
    FCheckTimer->Stop();
    FCheckTimer->SetTickHandler(nullptr);
  }
  if (FHook && FHook->IsInstalled()) FHook->Remove();
  FHookInstalled.store(false);
  FEventBuffer.SetInjector(nullptr);
  FHook = nullptr;
  FTimer = nullptr;
  FCheckTimer = nullptr;
  // The ports belong to this thread: they go here, before it ends.
  FThreadPorts = KeyboardThreadPorts{};
}

bool TScannerKeyboard::CheckChar(char16_t ch) {
  return CheckCharStep(ch);
}

bool TScannerKeyboard::ProcessKeyEvent(std::uint32_t message, const RawKeyEvent& event) {
  if (FIgnoreEvents) return ProcessPausedEvent(message, event);
  if (event.flags & kRawKeyInjected) return false;
  if (IsRepeatedEvent(event)) {
    FlushEvents();
    NoteReachedApplication(event.vkCode, IsKeyUp(message));
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
  if (hold) {
    FEventBuffer.AddEvent(event);
  } else {
    NoteReachedApplication(event.vkCode, IsKeyUp(message));
  }
  return hold;
}

// The pause after a prefix/postfix barcode swallows the rest of the scanner's keys. Injected
// keys are nobody's barcode and pass. A key-up whose key-down reached the application, or is
// the held completing key, is held and replayed after it when the pause ends: no key stays down
// at the application, and the order holds.
bool TScannerKeyboard::ProcessPausedEvent(std::uint32_t message, const RawKeyEvent& event) {
  if (event.flags & kRawKeyInjected) return false;
  if (!IsKeyUp(message)) return true;
  const std::uint32_t vk = event.vkCode & 0xFF;
  if (FDownAtApplication[vk] || IsHeldDown(vk)) FEventBuffer.AddEvent(event);
  return true;
}

bool TScannerKeyboard::DecideKeyDown(const RawKeyEvent& event) {
  // A run of scanner-fast keys is being held: whatever key comes within it is judged with it.
  const bool inRun = FTimer->IsRunning() && FEventBuffer.Count() > 0;
  RestartTimer();
  std::uint8_t code = 0;
  const int count = FPorts.translator->Translate(event.vkCode, event.scanCode, FKeyboardState,
                                                 FKeyboardLayout, code);
  if (count == 1) return CheckCharStep(FAnsiChars[code]);
  if (IsModifierKey(event.vkCode)) return true;
  // A key that types nothing (a function or arrow key) is held with the run it falls into, or
  // starts one in interval mode: a scanner's arrow or F-key prefix or suffix belongs to its
  // barcode, and a person's key comes out in order with what was held before it.
  if (inRun || FUseInterCharInt) return true;
  // In prefix/postfix mode such a key can begin no barcode and passes at once.
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
      if (FTimer && FTimer->IsRunning()) DoTimer();
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
  // The barcode's events go; key-ups owed to the application are replayed once the state is
  // new. In prefix/postfix mode the rest of the scanner's keys fall into a pause of one interval.
  FEventBuffer.FlushOnly([this](const TKeyEventStruct& record) { return IsOwedKeyUp(record); },
                         [this] {
                           ClearState();
                           if (!FUseInterCharInt) {
                             FIgnoreEvents = true;
                             RestartTimer();
                           }
                         });
  AppLog(u"TScannerKeyboard.ReadData", u"ScannerData=" + text + u" RawData=" + raw, kLogDebug);
  // Delivered on the host thread once the hook procedure has returned: host code inside the
  // hook would keep the system waiting for it.
  Post(false, std::move(text), std::move(raw));
}

void TScannerKeyboard::Post(bool hookLost, WideString value, WideString raw) {
  {
    const std::lock_guard<std::mutex> guard(FMail->lock);
    FMail->items.push_back(HostMail::Item{hookLost, std::move(value), std::move(raw)});
  }
  if (!FHostWindow || !FHostWindow->Post(WindowMessage{kMailMessage, 0, 0})) {
    AppLog(u"TScannerKeyboard.Post", u"Штрихкод не передан: окно получателя недоступно", kLogError);
  }
}

void TScannerKeyboard::OnTimerTick() {
  DoTimer();
}

void TScannerKeyboard::DoTimer() {
  FTimer->Stop();
  if (FUseInterCharInt && FBuffer.size() >= 2 && FBuffer.size() >= FMinDataLen) {
    ReadData();
    return;
  }
  // The state (the pause included) is new before the replay: the replayed keys come back
  // through the hook inside the replay and must pass, and keys the system delivers meanwhile
  // begin a sequence of their own.
  FEventBuffer.FlushOnly(
      [this](const TKeyEventStruct& record) {
        NoteReachedApplication(record.vkCode, (record.flags & kKeyStrokeUp) != 0);
        return true;
      },
      [this] { ClearState(); });
}

void TScannerKeyboard::FlushEvents() {
  FEventBuffer.FlushOnly(
      [this](const TKeyEventStruct& record) {
        NoteReachedApplication(record.vkCode, (record.flags & kKeyStrokeUp) != 0);
        return true;
      },
      [this] {
        FBuffer.clear();
        FScanData.clear();
      });
}

bool TScannerKeyboard::IsOwedKeyUp(const TKeyEventStruct& record) {
  const std::uint32_t vk = record.vkCode & 0xFF;
  if ((record.flags & kKeyStrokeUp) == 0 || !FDownAtApplication[vk]) return false;
  NoteReachedApplication(vk, true);
  return true;
}

void TScannerKeyboard::DropHeldEvents() {
  FEventBuffer.FlushOnly([this](const TKeyEventStruct& record) { return IsOwedKeyUp(record); },
                         [] {});
}

void TScannerKeyboard::ResetState() {
  FEventBuffer.FlushOnly([this](const TKeyEventStruct& record) { return IsOwedKeyUp(record); },
                         [this] { ClearState(); });
}

void TScannerKeyboard::ClearState() {
  FIgnoreEvents = false;
  if (FTimer) FTimer->Stop();
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

void TScannerKeyboard::NoteReachedApplication(std::uint32_t vkCode, bool keyUp) {
  FDownAtApplication[vkCode & 0xFF] = !keyUp;
}

bool TScannerKeyboard::IsHeldDown(std::uint32_t vkCode) const {
  bool down = false;
  for (std::int32_t i = 0; i < FEventBuffer.Count(); ++i) {
    const TKeyEventStruct& record = *FEventBuffer.GetEvent(i);
    if ((record.vkCode & 0xFF) == vkCode) down = (record.flags & kKeyStrokeUp) == 0;
  }
  return down;
}

// At a quiet moment (nothing held, no barcode being read) the hook is renewed: that brings back
// a hook the system removed without a word, and tells whether it had.
void TScannerKeyboard::CheckHook() {
  if (!FHook || !FHook->IsInstalled()) return;
  const bool quiet = !FTimer->IsRunning() && FEventBuffer.Count() == 0 && !FIgnoreEvents;
  if (quiet) {
    const PortResult<bool> renewed = FHook->Renew();
    if (!renewed) {
      AppLog(u"TScannerKeyboard.CheckHook", kHookNotRenewed + renewed.error(), kLogError);
    } else if (!*renewed) {
      FHookLosses.fetch_add(1);
      AppLog(u"TScannerKeyboard.CheckHook", kHookLost, kLogError);
      Post(true, kHookLost, WideString());
    }
  }
  FCheckTimer->Start();
}

}  // namespace equ
