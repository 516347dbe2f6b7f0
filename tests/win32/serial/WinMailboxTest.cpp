// The QR mailbox on the Win32 adapters: the mapping's access list, the window checks of the
// sender and the 1036 hand-off to a real receiver.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/win32/WinCodePage.h"
#include "platform/win32/WinHandles.h"
#include "platform/win32/WinMessageWindow.h"
#include "platform/win32/WinProcessHeap.h"
#include "platform/win32/WinSharedMemory.h"

namespace equ {
namespace {

using win32::KernelHandle;
using win32::LocalMemory;

constexpr wchar_t kMailboxNameW[] = L"3F6B1C92-7A04-4E5D-B8C3-1E9D2A6F4B70";

// The process heap, with a count of the blocks still out.
class CountingHeap : public win32::WinProcessHeap {
 public:
  void* Allocate(std::size_t size) override {
    void* block = WinProcessHeap::Allocate(size);
    if (block != nullptr) ++live;
    return block;
  }
  void Free(void* block) override {
    if (block != nullptr) --live;
    WinProcessHeap::Free(block);
  }
  std::atomic<int> live{0};
};

class WinMailboxTest : public ::testing::Test {
 protected:
  std::shared_ptr<win32::WinMessageWindows> windows = std::make_shared<win32::WinMessageWindows>();
  std::shared_ptr<CountingHeap> heap = std::make_shared<CountingHeap>();
  TVornPorts ports{windows, std::make_shared<win32::WinSharedMemory>(), heap,
                   std::make_shared<win32::WinCodePage>()};

  // A mailbox written by hand, naming any window handle.
  std::unique_ptr<SharedMemoryView> MailboxNaming(std::uintptr_t window) {
    SharedMemory::ViewResult view =
        ports.sharedMemory->Create(kAcquiringMailboxName, kAcquiringMailboxSize);
    if (!view) return nullptr;
    const std::u16string digits = Utf8ToWide(std::to_string(static_cast<std::uint32_t>(window)));
    std::span<std::byte> bytes = (*view)->Bytes();
    std::memset(bytes.data(), 0, (digits.size() + 1) * 2);
    std::memcpy(bytes.data(), digits.data(), digits.size() * 2);
    return std::move(*view);
  }
};

std::vector<BYTE> CurrentUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  const KernelHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) return {};
  return user;
}

TEST_F(WinMailboxTest, TheMappingsAccessListNamesOnlyTheCurrentUser) {
  TVornDriver receiver(ports);
  receiver.CreateMailbox();
  const KernelHandle mapping(OpenFileMappingW(READ_CONTROL, FALSE, kMailboxNameW));
  ASSERT_TRUE(mapping) << GetLastError();
  PACL dacl = nullptr;
  LocalMemory descriptor;
  HLOCAL raw = nullptr;
  const DWORD read =
      GetSecurityInfo(mapping.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      &dacl, nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(&raw));
  descriptor.reset(raw);
  ASSERT_EQ(read, static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(dacl, nullptr) << "no access list: open to everyone";
  ASSERT_EQ(dacl->AceCount, 1);
  void* ace = nullptr;
  ASSERT_TRUE(GetAce(dacl, 0, &ace));
  const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  const std::vector<BYTE> user = CurrentUser();
  ASSERT_FALSE(user.empty());
  PSID sid = const_cast<DWORD*>(&allowed->SidStart);
  EXPECT_TRUE(EqualSid(sid, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid));
}

TEST_F(WinMailboxTest, AMailboxNamingAWindowOfAnotherProcessAnswersFalseAndFreesTheBlock) {
  const HWND foreign = GetDesktopWindow();
  DWORD process = 0;
  GetWindowThreadProcessId(foreign, &process);
  ASSERT_NE(process, GetCurrentProcessId()) << "the desktop window is of this process";
  const std::unique_ptr<SharedMemoryView> mailbox =
      MailboxNaming(reinterpret_cast<std::uintptr_t>(foreign));
  ASSERT_TRUE(mailbox);
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports, u"QR-1"));
  EXPECT_EQ(heap->live, 0);
}

TEST_F(WinMailboxTest, AMailboxNamingNoWindowAnswersFalse) {
  const std::unique_ptr<SharedMemoryView> mailbox = MailboxNaming(0x7ffffff0);
  ASSERT_TRUE(mailbox);
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports, u"QR-2"));
  EXPECT_EQ(heap->live, 0);
}

TEST_F(WinMailboxTest, NoMailboxAnswersFalse) {
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports, u"QR-3"));
  EXPECT_EQ(heap->live, 0);
}

TEST_F(WinMailboxTest, TheWaitingReceiverTakesTheCodeOnItsOwnThread) {
  TVornDriver receiver(ports);
  receiver.CreateMailbox();
  // A text of the ANSI code page: Cyrillic under 1251 (the target systems), Latin otherwise.
  const WideString code = GetACP() == 1251 ? u"Оплата QR 42" : u"Zahlung QR 42 \u00e4";
  EXPECT_TRUE(TVornDriver::SendMsgToAcquiring(ports, code));
  EXPECT_TRUE(receiver.IsScannedOrCancel());
  EXPECT_EQ(receiver.ScanData(), code);
  EXPECT_EQ(heap->live, 0);
}

TEST_F(WinMailboxTest, TheWaitingReceiverTakesTheCodeFromAnotherThreadWhileItServes) {
  TVornDriver receiver(ports);
  receiver.CreateMailbox();
  std::atomic<bool> answered{false};
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    sent = TVornDriver::SendMsgToAcquiring(ports, u"QR-THREAD");
    answered = true;
  });
  EXPECT_TRUE(windows->ServeMessagesUntil([&] { return answered.load(); }, 5000));
  sender.join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(receiver.ScanData(), u"QR-THREAD");
  EXPECT_EQ(heap->live, 0);
}

TEST_F(WinMailboxTest, TheEmptyHandOffMarksTheCancel) {
  TVornDriver receiver(ports);
  receiver.CreateMailbox();
  EXPECT_TRUE(TVornDriver::SendMsgToAcquiring(ports, u""));
  EXPECT_TRUE(receiver.IsScannedOrCancel());
  EXPECT_TRUE(receiver.ScanData().empty());
}

TEST_F(WinMailboxTest, AClosedMailboxSendsNothing) {
  TVornDriver receiver(ports);
  receiver.CreateMailbox();
  receiver.CloseMailbox();
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports, u"QR-4"));
  EXPECT_FALSE(receiver.IsScannedOrCancel());
}

}  // namespace
}  // namespace equ
