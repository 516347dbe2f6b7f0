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

}  // namespace

KeyboardThreadPorts FakeKeyboardThreads::CreateForThisThread() {
  KeyboardThreadPorts ports;
  auto fakeHook = std::make_unique<FakeKeyboardHook>();
  auto fakeTimer = std::make_unique<SimulatedTimer>(clock_);
  auto fakeInjector = std::make_unique<RecordingKeyInjector>();
  hook = fakeHook.get();
  timer = fakeTimer.get();
  injector = fakeInjector.get();
  ports.hook = std::move(fakeHook);
  ports.timer = std::move(fakeTimer);
  ports.injector = std::move(fakeInjector);
  return ports;
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

KeyboardRig::KeyboardRig(std::uint32_t interval) {
  auto threads = std::make_shared<FakeKeyboardThreads>(clock);
  channel = std::make_unique<TScannerKeyboard>(FakeKeyboardPorts(threads));
  hook = threads->hook;
  timer = threads->timer;
  injector = threads->injector;
  channel->SetInterCharInterval(interval);
  channel->SetOnGetData([this](const WideString& value, const WideString& raw) {
    deliveries.push_back({value, raw, clock.Now()});
  });
  channel->Add(u"", u"");
  channel->Enable();
}

void KeyboardRig::UsePrefixPostfix(const WideString& prefix, const WideString& postfix) {
  channel->Clear();
  channel->Add(prefix, postfix);
  channel->Enable();
}

bool KeyboardRig::Send(const ScriptedKey& key) {
  clock.AdvanceTo(key.at);
  RawKeyEvent event;
  event.vkCode = key.vkCode;
  event.scanCode = ScanCodeOf(key.vkCode);
  event.flags =
      key.flags | (key.message == kMsgKeyUp || key.message == kMsgSysKeyUp ? kRawKeyUp : 0);
  event.time = static_cast<std::uint32_t>(key.at);
  event.dwExtraInfo = nextId_++;
  return hook->Send(key.message, event);
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
