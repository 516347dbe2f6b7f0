#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeMailboxPorts.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/PlatformPorts.h"
#include "platform/posix/IconvCodePage.h"
#include "platform/posix/PosixSharedMemory.h"

namespace equ {
namespace {

// Windows of this process by handle; a send to any other handle finds no window.
class FakeMessageWindows : public MessageWindows {
 public:
  std::map<std::uintptr_t, MessageWindow::Procedure> windows;
  std::uintptr_t next = 1000;

  class Window : public MessageWindow {
   public:
    Window(FakeMessageWindows& owner, std::uintptr_t handle) : owner_(owner), handle_(handle) {}
    ~Window() override { owner_.windows.erase(handle_); }
    std::uintptr_t Handle() const override { return handle_; }
    std::intptr_t Send(const WindowMessage& m) override { return owner_.windows.at(handle_)(m); }
    bool Post(const WindowMessage&) override { return false; }

   private:
    FakeMessageWindows& owner_;
    std::uintptr_t handle_;
  };

  WindowResult Create(MessageWindow::Procedure procedure) override {
    windows[next] = std::move(procedure);
    return std::make_unique<Window>(*this, next++);
  }
  bool ServeMessagesUntil(const std::function<bool()>& done, int) override { return done(); }
  std::optional<std::intptr_t> SendToWindow(std::uintptr_t handle,
                                            const WindowMessage& message) override {
    auto it = windows.find(handle);
    if (it == windows.end()) return std::nullopt;
    return it->second(message);
  }
};

// Counts what is allocated and freed, and keeps the bytes handed over.
class CountingHeap : public ProcessHeap {
 public:
  std::set<void*> live;
  int allocations = 0;
  void* Allocate(std::size_t size) override {
    void* block = std::malloc(size);
    live.insert(block);
    ++allocations;
    return block;
  }
  void Free(void* block) override {
    if (block == nullptr) return;
    live.erase(block);
    std::free(block);
  }
};

class AcquiringMailboxTest : public ::testing::Test {
 protected:
  void WriteMailboxText(const char16_t* text) {
    std::unique_ptr<SharedMemoryView> view =
        std::move(*memory_->Create(kAcquiringMailboxName, kAcquiringMailboxSize));
    std::memset(view->Bytes().data(), 0, view->Bytes().size());
    std::memcpy(view->Bytes().data(), text, std::char_traits<char16_t>::length(text) * 2);
    strayMailbox_ = std::move(view);
  }

  std::shared_ptr<FakeMessageWindows> windows_ = std::make_shared<FakeMessageWindows>();
  std::shared_ptr<testing::InProcessSharedMemory> memory_ =
      std::make_shared<testing::InProcessSharedMemory>();
  std::shared_ptr<CountingHeap> heap_ = std::make_shared<CountingHeap>();
  TVornPorts ports_{windows_, memory_, heap_, std::make_shared<posix::IconvCodePage>()};
  std::unique_ptr<SharedMemoryView> strayMailbox_;
};

TEST_F(AcquiringMailboxTest, NoReceiverAnswersFalseAndAllocatesNothing) {
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports_, u"4600000000001"));
  EXPECT_EQ(heap_->allocations, 0);
}

TEST_F(AcquiringMailboxTest, WaitingReceiverTakesTheCode) {
  TVornDriver receiver(ports_);
  receiver.CreateMailbox();
  EXPECT_TRUE(TVornDriver::SendMsgToAcquiring(ports_, u"4600000000001"));
  EXPECT_TRUE(receiver.IsScannedOrCancel());
  EXPECT_EQ(receiver.ScanData(), u"4600000000001");
  EXPECT_TRUE(heap_->live.empty()) << "the receiver freed the block";
}

TEST_F(AcquiringMailboxTest, CyrillicTravelsAsWindows1251AndArrivesUnchanged) {
  TVornDriver receiver(ports_);
  receiver.CreateMailbox();
  std::string sent;
  windows_->windows[receiver.WindowHandle()] =
      [&, procedure = windows_->windows[receiver.WindowHandle()]](const WindowMessage& m) {
        sent.assign(reinterpret_cast<const char*>(m.lParam), m.wParam);
        return procedure(m);
      };
  EXPECT_TRUE(TVornDriver::SendMsgToAcquiring(ports_, u"Оплата №5"));
  EXPECT_EQ(sent, "\xCE\xEF\xEB\xE0\xF2\xE0 \xB9\x35");
  EXPECT_EQ(receiver.ScanData(), u"Оплата №5");
}

TEST_F(AcquiringMailboxTest, EmptyHandOffIsTheCancel) {
  TVornDriver receiver(ports_);
  receiver.CreateMailbox();
  EXPECT_TRUE(TVornDriver::SendMsgToAcquiring(ports_, u""));
  EXPECT_EQ(heap_->allocations, 0);
  EXPECT_TRUE(receiver.IsScannedOrCancel());
  EXPECT_EQ(receiver.ScanData(), u"");
}

TEST_F(AcquiringMailboxTest, MailboxHoldsTheWindowHandleAsDecimalText) {
  TVornDriver receiver(ports_);
  receiver.CreateMailbox();
  SharedMemory::ViewResult opened = memory_->Open(kAcquiringMailboxName);
  ASSERT_TRUE(opened);
  const std::span<std::byte> bytes = (*opened)->Bytes();
  const std::u16string digits = Utf8ToWide(std::to_string(receiver.WindowHandle()));
  EXPECT_EQ(std::memcmp(bytes.data(), digits.data(), digits.size() * 2), 0);
  char16_t terminator = 1;
  std::memcpy(&terminator, bytes.data() + digits.size() * 2, 2);
  EXPECT_EQ(terminator, 0);
}

TEST_F(AcquiringMailboxTest, ClosedMailboxSendsTheCodeItsNormalWay) {
  TVornDriver receiver(ports_);
  receiver.CreateMailbox();
  receiver.CloseMailbox();
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports_, u"123"));
  EXPECT_FALSE(receiver.IsScannedOrCancel());
}

struct BadMailbox {
  const char* name;
  const char16_t* text;
};

class BadMailboxTest : public AcquiringMailboxTest,
                       public ::testing::WithParamInterface<BadMailbox> {};

TEST_P(BadMailboxTest, AnswersFalseAndLosesNoBlock) {
  WriteMailboxText(GetParam().text);
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports_, u"4600000000001"));
  EXPECT_TRUE(heap_->live.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, BadMailboxTest,
                         ::testing::Values(BadMailbox{"NotANumber", u"abc"},
                                           BadMailbox{"Empty", u""}, BadMailbox{"Zero", u"0"},
                                           BadMailbox{"TooLarge", u"99999999999"},
                                           BadMailbox{"NoSuchWindow", u"777"}),
                         [](const ::testing::TestParamInfo<BadMailbox>& p) {
                           return p.param.name;
                         });

TEST_F(AcquiringMailboxTest, MailboxThatCannotBeMadeRaisesItsMessage) {
  memory_->failCreate = true;
  TVornDriver receiver(ports_);
  try {
    receiver.CreateMailbox();
    ADD_FAILURE() << "no failure";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Отсутствуют права доступа на создание объекта файлового отображения");
  }
}

TEST_F(AcquiringMailboxTest, EveryPortIsRequired) {
  struct Missing {
    TVornPorts ports;
    const char* named;
  };
  const Missing cases[] = {
      {{nullptr, memory_, heap_, ports_.codePage}, "message windows"},
      {{windows_, nullptr, heap_, ports_.codePage}, "shared memory"},
      {{windows_, memory_, nullptr, ports_.codePage}, "process heap"},
      {{windows_, memory_, heap_, nullptr}, "code page"},
  };
  for (const Missing& c : cases) {
    try {
      TVornDriver receiver(c.ports);
      ADD_FAILURE() << "made without the " << c.named << " port";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
    EXPECT_THROW(TVornDriver::SendMsgToAcquiring(c.ports, u"1"), std::logic_error) << c.named;
  }
}

TEST(PosixSharedMemoryTest, CreatedObjectOpensUntilItsCreatorCloses) {
  posix::PosixSharedMemory memory;
  const WideString name = u"equ-test-" + IntToWide(getpid());
  SharedMemory::ViewResult created = memory.Create(name, 4096);
  ASSERT_TRUE(created) << WideToUtf8(created.error());
  (*created)->Bytes()[0] = std::byte{42};
  SharedMemory::ViewResult opened = memory.Open(name);
  ASSERT_TRUE(opened) << WideToUtf8(opened.error());
  EXPECT_EQ((*opened)->Bytes()[0], std::byte{42});
  EXPECT_EQ((*opened)->Bytes().size(), 4096u);
  (*created).reset();
  EXPECT_FALSE(memory.Open(name));
  const SharedMemory::ViewResult missing = memory.Open(u"equ-test-no-such-object");
  EXPECT_FALSE(missing);
  EXPECT_FALSE(missing.error().empty()) << "the platform's text of the failure";
}

}  // namespace
}  // namespace equ
