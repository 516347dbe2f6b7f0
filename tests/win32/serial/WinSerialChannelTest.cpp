#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/PlatformPorts.h"
#include "platform/win32/WinMessageWindow.h"
#include "platform/win32/WinSerialPort.h"
#include "scanner/serial/Comm.h"
#include "scanner/serial/ScannerRS232.h"

namespace equ {
namespace {

using win32::WinMessageWindows;
using win32::WinSerialPort;

class WinMessageWindowTest : public ::testing::Test {
 protected:
  WinMessageWindows windows;
  std::vector<std::uint32_t> handled;
  DWORD handledOn = 0;
  std::unique_ptr<MessageWindow> window = *windows.Create([this](const WindowMessage& m) {
    handled.push_back(m.message);
    handledOn = GetCurrentThreadId();
    return static_cast<std::intptr_t>(m.lParam * 2);
  });
};

TEST_F(WinMessageWindowTest, IsAMessageOnlyWindowOfThisThread) {
  ASSERT_NE(window, nullptr);
  const HWND hwnd = reinterpret_cast<HWND>(window->Handle());
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), GetCurrentThreadId());
  EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(WinMessageWindowTest, SendFromTheOwnThreadRunsTheProcedureAtOnce) {
  EXPECT_EQ(window->Send({1035, 0, 21}), 42);
  EXPECT_EQ(handled, std::vector<std::uint32_t>{1035});
}

TEST_F(WinMessageWindowTest, SendFromAnotherThreadIsServedOnTheOwnerThread) {
  std::atomic<std::intptr_t> answer{0};
  std::atomic<bool> sent{false};
  std::thread worker([&] {
    answer = window->Send({1035, 0, 5});
    sent = true;
  });
  EXPECT_TRUE(windows.ServeMessagesUntil([&] { return sent.load(); }, 5000));
  worker.join();
  EXPECT_EQ(answer, 10);
  EXPECT_EQ(handledOn, GetCurrentThreadId());
}

TEST_F(WinMessageWindowTest, PostedMessagesComeInOrderWhenServed) {
  EXPECT_TRUE(window->Post({WM_USER + 100, 0, 1}));
  EXPECT_TRUE(window->Post({WM_USER + 101, 0, 2}));
  EXPECT_TRUE(handled.empty());
  windows.ServeMessagesUntil([&] { return handled.size() == 2; }, 2000);
  EXPECT_EQ(handled, (std::vector<std::uint32_t>{WM_USER + 100, WM_USER + 101}));
}

TEST_F(WinMessageWindowTest, ServingRunsOutWhenNothingIsDone) {
  EXPECT_FALSE(windows.ServeMessagesUntil([] { return false; }, 20));
}

TEST_F(WinMessageWindowTest, ATimerReachesTheProcedure) {
  const HWND hwnd = reinterpret_cast<HWND>(window->Handle());
  ASSERT_NE(SetTimer(hwnd, 7, 10, nullptr), 0u);
  windows.ServeMessagesUntil([&] { return !handled.empty(); }, 2000);
  KillTimer(hwnd, 7);
  ASSERT_FALSE(handled.empty());
  EXPECT_EQ(handled[0], static_cast<std::uint32_t>(WM_TIMER));
}

TEST(WinSerialPortTest, AMissingComPortFailsWithTheSystemText) {
  WinSerialPort port;
  const PortStatus opened = port.Open(219, false);
  EXPECT_FALSE(opened);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(opened.error().empty());
}

TEST(WinSerialPortTest, TCommReportsTheOpeningFailure) {
  TComm comm(std::make_unique<WinSerialPort>());
  comm.SetPortNumber(219);
  EXPECT_FALSE(comm.Open());
  EXPECT_FALSE(comm.Opened());
  EXPECT_EQ(comm.ExtResultDescription().rfind(u"Ошибка открытия порта. ", 0), 0u);
  EXPECT_TRUE(comm.WriteStr("", 0));
  const char byte = 'x';
  EXPECT_FALSE(comm.WriteBytes(&byte, 1));
  EXPECT_EQ(comm.ExtResultDescription(), u"Порт не открыт");
}

TEST(WinScannerRS232Test, AMissingPortAnswers1011AndDisableReturns) {
  TScannerRS232 channel(SerialChannelPortsOf(Platform()));
  EXPECT_NE(channel.HandleWnd(), 0u);
  channel.SetPortNumber(219);
  EXPECT_EQ(channel.Enable(), 1011);
  EXPECT_FALSE(channel.ResultDescription().empty());
  channel.Disable();
  EXPECT_FALSE(channel.Enabled());
}

}  // namespace
}  // namespace equ
