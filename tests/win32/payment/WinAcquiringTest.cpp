// TVornDriver of the Windows build under Wine: WinHTTP to the native local payment service,
// Winsock to the native display simulator, the waiting dialog as a real window on the X
// screen and the wallet code handed over through the mailbox on the test's own thread.
// run_payment_check.sh passes the simulator's port (EQU_DISPLAY_PORT) and its output file
// (EQU_DISPLAY_OUTPUT).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "equipment/common/Exceptions.h"
#include "equipment/common/a_vorn/UserDialog.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "payment/PaymentScenario.h"
#include "platform/PlatformPorts.h"

namespace equ::testing {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Runs an action once, a while after it is asked for, from the thread's message loop (the
// payment's own waits serve that loop).
class Later {
 public:
  Later() {
    window_ = std::move(*Platform().messageWindows->Create([this](const WindowMessage& m) {
      if (m.message == WM_TIMER) {
        KillTimer(Hwnd(), m.wParam);
        auto action = std::move(actions_[m.wParam]);
        if (action) action();
      }
      return std::intptr_t{0};
    }));
  }
  void After(UINT ms, std::function<void()> action) {
    const UINT_PTR id = actions_.size() + 1;
    actions_[id] = std::move(action);
    SetTimer(Hwnd(), id, ms, nullptr);
  }

 private:
  HWND Hwnd() const { return reinterpret_cast<HWND>(window_->Handle()); }
  std::unique_ptr<MessageWindow> window_;
  std::map<UINT_PTR, std::function<void()>> actions_;
};

// What the waiting dialog's window looked like while it was open.
struct DialogLook {
  bool found = false;
  LONG_PTR exStyle = 0;
  LONG_PTR style = 0;
  RECT client{};
  RECT frame{};
  bool shadowFound = false;
  RECT shadowFrame{};
  BYTE alpha = 0;
  std::wstring info;
};

DialogLook LookAtDialog() {
  DialogLook look;
  HWND dialog = FindWindowW(L"EquVornUserDialog", nullptr);
  if (dialog == nullptr) return look;
  look.found = true;
  look.exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
  look.style = GetWindowLongPtrW(dialog, GWL_STYLE);
  GetClientRect(dialog, &look.client);
  GetWindowRect(dialog, &look.frame);
  DWORD flags = 0;
  GetLayeredWindowAttributes(dialog, nullptr, &look.alpha, &flags);
  HWND info = GetWindow(dialog, GW_CHILD);
  wchar_t text[128] = {};
  if (info != nullptr) GetWindowTextW(info, text, 128);
  look.info = text;
  HWND shadow = FindWindowW(L"EquVornUserDialogShadow", nullptr);
  look.shadowFound = shadow != nullptr;
  if (shadow != nullptr) GetWindowRect(shadow, &look.shadowFrame);
  return look;
}

class WinAcquiringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(base_.rfind("https://localhost:", 0), 0u) << "EQU_PAYMENT_SERVICE: " << base_;
    control_.Reset();
    control_.SetTokenPrefix("token/");
    TVornConfiguration c;
    c.AServerAddress = Utf8ToWide(base_);
    c.AApplicationToken = kAppToken;
    c.ATerminalKey = u"TERM-0042";
    c.ACurrency = u"RUB";
    c.AReceiptRowLength = 32;
    c.ADisplayAddress = u"127.0.0.1";
    c.ADisplayPort = std::atoi(Environment("EQU_DISPLAY_PORT").c_str());
    c.ACheckHeader = u"Магазин у дома";
    c.ADuration = 30;
    c.AInvoiceTimeout = 20;
    c.ABarcodeReadTimeout = 20;
    driver_.Open(c);
    WideString token;
    driver_.AuthenticationRequest(token);
    c.AAuthorizationToken = token;
    driver_.Open(c);
  }

  std::string DisplayedInvoice() const {
    std::ifstream in(Environment("EQU_DISPLAY_OUTPUT"));
    std::string line, last;
    while (std::getline(in, line)) {
      if (line.rfind("qr_data: ", 0) == 0) last = line.substr(9);
    }
    return last;
  }

  std::string base_ = Environment("EQU_PAYMENT_SERVICE");
  ServiceControl control_{base_, CreatePlatformHttpTransport()};
  TVornDriver driver_{AcquiringPortsOf(Platform())};
  Later later_;
};

TEST_F(WinAcquiringTest, AWalletCodeHandedOverDuringTheWaitPaysWithTheDialogShown) {
  DialogLook look;
  bool taken = false;
  later_.After(700, [&] {
    look = LookAtDialog();
    taken = TVornDriver::SendMsgToAcquiring(VornPortsOf(Platform()), u"wallet-wine-1");
  });
  WideString rrn, receiptNum, receipt;
  driver_.PayByPaymentCard(0, Currency{1500000}, rrn, receiptNum, receipt);
  EXPECT_TRUE(taken);
  EXPECT_EQ(rrn.substr(0, 3), u"ch_");
  EXPECT_NE(receipt.find(u"Оплата картой"), WideString::npos);
  ASSERT_TRUE(look.found);
  EXPECT_EQ(look.client.right - look.client.left, 469);
  EXPECT_EQ(look.client.bottom - look.client.top, 148);
  EXPECT_TRUE(look.exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(look.exStyle & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(look.exStyle & WS_EX_LAYERED);
  EXPECT_FALSE(look.style & WS_CAPTION);
  EXPECT_EQ(look.alpha, 240);
  EXPECT_EQ(look.info, L"Ожидание чтения QR-кода ...");
  ASSERT_TRUE(look.shadowFound);
  EXPECT_EQ(look.shadowFrame.left - look.frame.left, 4);
  EXPECT_EQ(look.shadowFrame.top - look.frame.top, -20);
  // Closed with the wait, and the mailbox with it.
  EXPECT_EQ(FindWindowW(L"EquVornUserDialog", nullptr), nullptr);
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(VornPortsOf(Platform()), u"late"));
}

// "Отмена" pressed on the real window and the confirmation answered by its button.
void PressCancelAndAnswer(Later& later, int answer, bool& asked) {
  HWND dialog = FindWindowW(L"EquVornUserDialog", nullptr);
  HWND button = FindWindowExW(dialog, nullptr, L"BUTTON", L"Отмена");
  later.After(400, [answer, &asked] {
    HWND box = FindWindowW(L"#32770", L"Подтверждение");
    asked = box != nullptr;
    if (box != nullptr) PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
  });
  if (button != nullptr) SendMessageW(button, BM_CLICK, 0, 0);
}

TEST_F(WinAcquiringTest, CancelAnsweredYesEndsTheWaitAndVoidsTheInvoice) {
  bool asked = false;
  later_.After(500, [&] { PressCancelAndAnswer(later_, IDYES, asked); });
  WideString rrn, receiptNum, receipt;
  try {
    driver_.PayByPaymentCard(0, Currency{100000}, rrn, receiptNum, receipt);
    FAIL() << "no failure";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Ошибка получения QR-кода клиента");
  }
  EXPECT_TRUE(asked);
  bool voided = false;
  for (const ServiceRecord& r : control_.Requests()) {
    voided |= r.path.size() > 6 && r.path.substr(r.path.size() - 6) == "/void/";
  }
  EXPECT_TRUE(voided);
}

TEST_F(WinAcquiringTest, CancelAnsweredNoLetsTheWaitGoOn) {
  bool asked = false;
  bool taken = false;
  later_.After(500, [&] { PressCancelAndAnswer(later_, IDNO, asked); });
  later_.After(2000, [&] {
    taken = TVornDriver::SendMsgToAcquiring(VornPortsOf(Platform()), u"wallet-wine-2");
  });
  WideString rrn, receiptNum, receipt;
  driver_.PayByPaymentCard(0, Currency{100000}, rrn, receiptNum, receipt);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(taken);
  EXPECT_EQ(rrn.substr(0, 3), u"ch_");
}

TEST_F(WinAcquiringTest, TheShopsQrCodeOnTheDisplayIsPaidThroughTheService) {
  later_.After(1500, [&] { control_.MarkPaid(DisplayedInvoice()); });
  WideString rrn, receiptNum, receipt;
  driver_.PayByPaymentCard(1, Currency{2500000}, rrn, receiptNum, receipt);
  EXPECT_EQ(DisplayedInvoice().size(), 36u);
  EXPECT_EQ(rrn.substr(0, 3), u"ch_");
  EXPECT_NE(receipt.find(u"250.00"), WideString::npos);
}

}  // namespace
}  // namespace equ::testing
