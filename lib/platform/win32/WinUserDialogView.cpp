#include "WinUserDialogView.h"

#include <windows.h>

#include "WinHandles.h"
#include "equipment/common/a_vorn/UserDialog.h"

namespace equ::win32 {

namespace {

constexpr wchar_t kDialogClass[] = L"EquVornUserDialog";
constexpr wchar_t kShadowClass[] = L"EquVornUserDialogShadow";
constexpr UINT_PTR kTimerId = 1;
constexpr int kCancelId = 100;
constexpr int kMargin = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr DWORD kShadowExStyle =
    WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT;

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

GdiObject CreatePixelFont(const wchar_t* face, int pixels, bool bold) {
  return GdiObject(CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                               RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
}

class WinUserDialogWindow : public UserDialogWindow {
 public:
  explicit WinUserDialogWindow(UserDialogModel& dialog) : dialog_(dialog) {
    RegisterClassesOnce();
    CreateDialogWindow();
    CreateShadow();
    ShowWindow(window_.get(), SW_SHOWNORMAL);
    UpdateWindow(window_.get());
    SetTimer(window_.get(), kTimerId, TfmUserDialog::kTimerIntervalMs, nullptr);
  }
  ~WinUserDialogWindow() override {
    if (window_) KillTimer(window_.get(), kTimerId);
  }

  void Refresh() override {
    SetWindowTextW(info_, reinterpret_cast<const wchar_t*>(dialog_.InfoCaption().c_str()));
    SetWindowTextW(timer_, reinterpret_cast<const wchar_t*>(dialog_.TimerCaption().c_str()));
    ShowWindow(timer_, dialog_.TimerVisible() ? SW_SHOWNA : SW_HIDE);
  }

 private:
  static void RegisterClassesOnce() {
    static const bool registered = [] {
      WNDCLASSW dialog{};
      dialog.lpfnWndProc = &WinUserDialogWindow::DialogProc;
      dialog.hInstance = ThisModule();
      dialog.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      dialog.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
      dialog.lpszClassName = kDialogClass;
      RegisterClassW(&dialog);
      WNDCLASSW shadow{};
      shadow.lpfnWndProc = &DefWindowProcW;
      shadow.hInstance = ThisModule();
      shadow.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      shadow.lpszClassName = kShadowClass;
      RegisterClassW(&shadow);
      return true;
    }();
    (void)registered;
  }

  // Centred on the screen: half the difference of the screen's and the window's sizes.
  static POINT CentredOrigin() {
    return POINT{(GetSystemMetrics(SM_CXSCREEN) - TfmUserDialog::kClientWidth) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - TfmUserDialog::kClientHeight) / 2};
  }

  void CreateDialogWindow() {
    const POINT origin = CentredOrigin();
    window_.reset(CreateWindowExW(kDialogExStyle, kDialogClass, L"", kDialogStyle, origin.x,
                                  origin.y, TfmUserDialog::kClientWidth,
                                  TfmUserDialog::kClientHeight, nullptr, nullptr, ThisModule(),
                                  this));
    SetLayeredWindowAttributes(window_.get(), 0, TfmUserDialog::kOpacity, LWA_ALPHA);
    const int bevelHeight = TfmUserDialog::kClientHeight - TfmUserDialog::kBottomPanelHeight;
    infoFont_ = CreatePixelFont(L"Arial", 23, true);
    timerFont_ = CreatePixelFont(L"Tahoma", 17, false);
    buttonFont_ = CreatePixelFont(L"Tahoma", 11, false);
    info_ =
        Child(L"STATIC", SS_CENTER | SS_CENTERIMAGE, kMargin, kMargin,
              TfmUserDialog::kClientWidth - 2 * kMargin, bevelHeight - 2 * kMargin, 0, infoFont_);
    timer_ = Child(L"STATIC", SS_LEFT, 210, 76, 60, 20, 0, timerFont_);
    const int buttonX = TfmUserDialog::kClientWidth - kButtonWidth - 8;
    const int buttonY = bevelHeight + (TfmUserDialog::kBottomPanelHeight - kButtonHeight) / 2;
    Child(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, buttonX, buttonY, kButtonWidth, kButtonHeight,
          kCancelId, buttonFont_, L"Отмена");
    Refresh();
  }

  HWND Child(const wchar_t* className, DWORD style, int x, int y, int width, int height, int id,
             const GdiObject& font, const wchar_t* text = L"") {
    HWND child = CreateWindowExW(
        0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, window_.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    return child;
  }

  // As large as the dialog, 4 pixels right of and 20 above its top-left corner, shown without
  // being activated.
  void CreateShadow() {
    RECT frame{};
    GetWindowRect(window_.get(), &frame);
    shadow_.reset(CreateWindowExW(
        kShadowExStyle, kShadowClass, L"", WS_POPUP, frame.left + TfmUserDialog::kShadowOffsetX,
        frame.top + TfmUserDialog::kShadowOffsetY, frame.right - frame.left,
        frame.bottom - frame.top, nullptr, nullptr, ThisModule(), nullptr));
    SetLayeredWindowAttributes(shadow_.get(), 0, TfmUserDialog::kShadowOpacity, LWA_ALPHA);
    ShowWindow(shadow_.get(), SW_SHOWNOACTIVATE);
    // Behind the dialog, which it only frames.
    SetWindowPos(shadow_.get(), window_.get(), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  void PaintBevel() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_.get(), &paint);
    RECT bevel{0, 0, TfmUserDialog::kClientWidth,
               TfmUserDialog::kClientHeight - TfmUserDialog::kBottomPanelHeight};
    DrawEdge(dc, &bevel, EDGE_RAISED, BF_RECT);
    EndPaint(window_.get(), &paint);
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_TIMER:
        if (wParam == kTimerId) dialog_.TimerTimer();
        return 0;
      case WM_COMMAND:
        if (LOWORD(wParam) == kCancelId && HIWORD(wParam) == BN_CLICKED) {
          dialog_.btnCancelClick();
        }
        return 0;
      case WM_PAINT:
        PaintBevel();
        return 0;
      case WM_CTLCOLORSTATIC:
        // The texts are black on the panel's colour.
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      case WM_CLOSE:
        // Only the waiting operation closes the dialog.
        return 0;
      default:
        return DefWindowProcW(window_.get(), message, wParam, lParam);
    }
  }

  static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WinUserDialogWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
  }

  UserDialogModel& dialog_;
  GdiObject infoFont_;
  GdiObject timerFont_;
  GdiObject buttonFont_;
  WindowHandle shadow_;
  WindowHandle window_;
  HWND info_ = nullptr;
  HWND timer_ = nullptr;
};

}  // namespace

std::unique_ptr<UserDialogWindow> WinUserDialogViews::Show(UserDialogModel& dialog) {
  return std::make_unique<WinUserDialogWindow>(dialog);
}

bool WinUserDialogViews::AskYesNo(const WideString& text, const WideString& caption) {
  return MessageBoxW(GetActiveWindow(), reinterpret_cast<const wchar_t*>(text.c_str()),
                     reinterpret_cast<const wchar_t*>(caption.c_str()),
                     MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST) == IDYES;
}

}  // namespace equ::win32
