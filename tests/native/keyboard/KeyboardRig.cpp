#include "KeyboardRig.h"

#include "platform/PlatformPorts.h"
#include "platform/posix/LibXmlDocument.h"
#include "platform/posix/PosixMessageWindow.h"
#include "platform/posix/PosixTextCase.h"
#include "platform/posix/TableKeyTranslator.h"

namespace equ::testing {

namespace {

struct KeyOfChar {
  std::uint32_t vk;
  bool shift;
};

KeyOfChar KeyFor(char16_t c) {
  if (c >= u'a' && c <= u'z') return {static_cast<std::uint32_t>(c - u'a' + 'A'), false};
  if (c >= u'A' && c <= u'Z') return {static_cast<std::uint32_t>(c), true};
  if (c >= u'0' && c <= u'9') return {static_cast<std::uint32_t>(c), false};
  if (c == u'%') return {'5', true};
  if (c == u'\r') return {kVkReturn, false};
  if (c == u' ') return {0x20, false};
  return {0, false};
}

// A thread's hand on the shared fakes; it lets go of them when its thread ends, as the
// platform removes a thread's hook and timers.
class HookOfThread : public KeyboardHook {
 public:
  explicit HookOfThread(FakeKeyboardHook& hook) : hook_(hook) {}
  ~HookOfThread() override {
    if (hook_.IsInstalled()) hook_.Remove();
  }
  PortStatus Install(Handler handler) override { return hook_.Install(std::move(handler)); }
  void Remove() override { hook_.Remove(); }
  bool IsInstalled() const override { return hook_.IsInstalled(); }
  PortResult<bool> Renew() override { return hook_.Renew(); }

 private:
  FakeKeyboardHook& hook_;
};

class TimerOfThread : public OneShotTimer {
 public:
  explicit TimerOfThread(SimulatedTimer& timer) : timer_(timer) {}
  ~TimerOfThread() override {
    timer_.Stop();
    timer_.SetTickHandler(nullptr);
  }
  void SetTickHandler(TickHandler handler) override { timer_.SetTickHandler(std::move(handler)); }
  void SetInterval(std::uint32_t milliseconds) override { timer_.SetInterval(milliseconds); }
  std::uint32_t Interval() const override { return timer_.Interval(); }
  void Start() override { timer_.Start(); }
  void Stop() override { timer_.Stop(); }
  bool IsRunning() const override { return timer_.IsRunning(); }

 private:
  SimulatedTimer& timer_;
};

class InjectorOfThread : public KeyInjector {
 public:
  explicit InjectorOfThread(RecordingKeyInjector& injector) : injector_(injector) {}
  void Inject(const KeyStroke& stroke) override { injector_.Inject(stroke); }

 private:
  RecordingKeyInjector& injector_;
};

// Runs the work at once, standing for the channel's thread while it does.
class InlineKeyboardThread : public KeyboardThread {
 public:
  explicit InlineKeyboardThread(FakeKeyboardThreads& threads) : threads_(threads) {
    ++threads_.threadsRunning;
  }
  ~InlineKeyboardThread() override { --threads_.threadsRunning; }
  void Call(const std::function<void()>& work) override {
    const int caller = threads_.currentThread;
    threads_.currentThread = kChannelThread;
    work();
    threads_.currentThread = caller;
  }

 private:
  FakeKeyboardThreads& threads_;
};

}  // namespace

FakeKeyboardThreads::FakeKeyboardThreads(SimulatedClock& clock)
    : timerFake(clock), checkTimerFake(clock), clock_(clock) {
  hookFake.clock = &clock_;
  hookFake.currentThread = [this] { return currentThread; };
  hookFake.threadBusy = [this](int thread) {
    return thread == kHostThread && clock_.Now() < hostBusyUntil;
  };
  injectorFake.reenters = &hookFake;
}

KeyboardThreadPorts FakeKeyboardThreads::CreateForThisThread() {
  KeyboardThreadPorts ports;
  ports.hook = std::make_unique<HookOfThread>(hookFake);
  ports.timer = std::make_unique<TimerOfThread>(timerFake);
  ports.injector = std::make_unique<InjectorOfThread>(injectorFake);
  ports.checkTimer = std::make_unique<TimerOfThread>(checkTimerFake);
  hook = &hookFake;
  timer = &timerFake;
  injector = &injectorFake;
  checkTimer = &checkTimerFake;
  ++portsMade;
  return ports;
}

PortResult<std::unique_ptr<KeyboardThread>> FakeKeyboardThreads::StartThread() {
  if (refuseThread) return PortFailure(u"Недостаточно ресурсов");
  ++threadsStarted;
  return std::unique_ptr<KeyboardThread>(std::make_unique<InlineKeyboardThread>(*this));
}

TKeyboardPorts FakeKeyboardPorts(std::shared_ptr<FakeKeyboardThreads> threads) {
  TKeyboardPorts ports;
  ports.threads = std::move(threads);
  ports.translator = std::make_shared<posix::TableKeyTranslator>();
  ports.textCase = std::make_shared<posix::PosixTextCase>();
  ports.xml = std::make_shared<posix::LibXmlDocument>();
  ports.codePage = Platform().codePage;
  ports.hostWindows = std::make_shared<posix::PosixMessageWindows>();
  return ports;
}

KeyboardRig::KeyboardRig(std::uint32_t interval)
    : threads(std::make_shared<FakeKeyboardThreads>(clock)),
      hostWindows(std::make_shared<posix::PosixMessageWindows>()) {
  threads->hookFake.application = &application;
  hook = &threads->hookFake;
  timer = &threads->timerFake;
  injector = &threads->injectorFake;
  TKeyboardPorts ports = FakeKeyboardPorts(threads);
  ports.hostWindows = hostWindows;
  channel = std::make_unique<TScannerKeyboard>(std::move(ports));
  channel->SetInterCharInterval(interval);
  channel->SetOnGetData([this](const WideString& value, const WideString& raw) {
    deliveries.push_back({value, raw, clock.Now()});
    deliveredInsideHook.push_back(hook->insideHandler);
  });
  channel->Add(u"", u"");
  channel->Enable();
}

void KeyboardRig::Wait(std::uint64_t milliseconds) {
  const std::uint64_t until = clock.Now() + milliseconds;
  // The host serves its messages as soon as it is free again.
  if (HostBusy() && threads->hostBusyUntil < until) clock.AdvanceTo(threads->hostBusyUntil);
  clock.AdvanceTo(until);
  ServeHost();
}

void KeyboardRig::ServeHost() {
  if (HostBusy()) return;
  hostWindows->ServeMessagesUntil([] { return false; }, 0);
}

void KeyboardRig::HostBusyFor(std::uint64_t milliseconds) {
  threads->hostBusyUntil = clock.Now() + milliseconds;
}

void KeyboardRig::UsePrefixPostfix(const WideString& prefix, const WideString& postfix) {
  channel->Clear();
  channel->Add(prefix, postfix);
  channel->Enable();
}

bool KeyboardRig::Send(const ScriptedKey& key) {
  if (HostBusy() && threads->hostBusyUntil <= key.at) {
    clock.AdvanceTo(threads->hostBusyUntil);
    ServeHost();
  }
  clock.AdvanceTo(key.at);
  ServeHost();
  RawKeyEvent event;
  event.vkCode = key.vkCode;
  event.scanCode = ScanCodeOf(key.vkCode);
  event.flags =
      key.flags | (key.message == kMsgKeyUp || key.message == kMsgSysKeyUp ? kRawKeyUp : 0);
  event.time = static_cast<std::uint32_t>(key.at);
  event.dwExtraInfo = nextId_++;
  const bool swallowed = hook->Send(key.message, event);
  ServeHost();
  return swallowed;
}

std::vector<bool> KeyboardRig::Run(const std::vector<ScriptedKey>& script) {
  std::vector<bool> swallowed;
  for (const ScriptedKey& key : script) swallowed.push_back(Send(key));
  return swallowed;
}

std::vector<std::uintptr_t> KeyboardRig::ReplayedIds() const {
  std::vector<std::uintptr_t> ids;
  for (const KeyStroke& stroke : injector->injected) ids.push_back(stroke.dwExtraInfo);
  return ids;
}

std::vector<ScriptedKey> TypeText(std::u16string_view text, std::uint64_t start,
                                  std::uint64_t gap) {
  std::vector<ScriptedKey> script;
  std::uint64_t at = start;
  for (char16_t c : text) {
    const KeyOfChar key = KeyFor(c);
    if (key.shift) script.push_back({at, kMsgKeyDown, kVkLeftShift, 0});
    script.push_back({at, kMsgKeyDown, key.vk, 0});
    script.push_back({at + 3, kMsgKeyUp, key.vk, 0});
    if (key.shift) script.push_back({at + 3, kMsgKeyUp, kVkLeftShift, 0});
    at += gap;
  }
  return script;
}

}  // namespace equ::testing
