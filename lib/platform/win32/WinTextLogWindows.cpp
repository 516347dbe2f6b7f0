#include "WinTextLogWindows.h"

#include <windows.h>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

constexpr wchar_t kClassName[] = L"EquTextLogWindow";
constexpr int kClearButtonId = 1;
constexpr int kMargin = 8;

class WinTextLogWindow : public TextLogWindow {
 public:
  explicit WinTextLogWindow(TextLogWindowDesign design) : design_(std::move(design)) {}
  WinTextLogWindow(const WinTextLogWindow&) = delete;
  WinTextLogWindow& operator=(const WinTextLogWindow&) = delete;

  void SetText(const WideString& text) override {
    text_ = text;
    if (memo_ != nullptr) {
      SetWindowTextW(memo_, WidePtr(text_));
      SendMessageW(memo_, EM_SETSEL, text_.size(), text_.size());
      SendMessageW(memo_, EM_SCROLLCARET, 0, 0);
    }
  }

  void ShowModal(Events events) override {
    events_ = std::move(events);
    CreateControls();
    ShowWindow(window_.get(), SW_SHOW);
    SetForegroundWindow(window_.get());
    MSG message{};
    BOOL got = TRUE;
    while (window_ && (got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (!window_) return;
    // The loop ended without a close: the host is quitting (or the queue failed). Close the
    // window as its close box does, so that whatever the close does (the driver disabled, its
    // hook and lock given back) is done, and hand the quit on to the host's own loop.
    SendMessageW(window_.get(), WM_CLOSE, 0, 0);
    if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
  }

 private:
  static void RegisterClassOnce() {
    static const bool registered = [] {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = &WinTextLogWindow::Procedure;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      windowClass.lpszClassName = kClassName;
      return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
  }

  void CreateControls() {
    RegisterClassOnce();
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, design_.clientWidth, design_.clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    window_.reset(CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, WidePtr(design_.caption), style,
                                  left, top, width, height, nullptr, nullptr, instance, this));
    font_.reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                            0, L"Tahoma"));
    const int memoHeight = design_.clientHeight - design_.panelHeight;
    memo_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", WidePtr(text_),
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0, 0,
        design_.clientWidth, memoHeight, window_.get(), nullptr, instance, nullptr);
    const int buttonTop = memoHeight + (design_.panelHeight - design_.buttonHeight) / 2;
    button_ = CreateWindowExW(
        0, L"BUTTON", WidePtr(design_.clearCaption), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
        design_.clientWidth - design_.buttonWidth - kMargin, buttonTop, design_.buttonWidth,
        design_.buttonHeight, window_.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kClearButtonId)), instance, nullptr);
    for (HWND control : {memo_, button_}) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WinTextLogWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
      if (message == WM_COMMAND && LOWORD(wParam) == kClearButtonId && self->events_.onClear) {
        self->events_.onClear();
        return 0;
      }
      if (message == WM_CLOSE) {
        if (self->events_.onClose) self->events_.onClose();
        self->memo_ = nullptr;
        self->window_.reset();  // destroys `window`
        return 0;
      }
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  TextLogWindowDesign design_;
  WideString text_;
  Events events_;
  // The font outlives the window whose controls use it; the controls go with their window.
  GdiObject font_;
  WindowHandle window_;
  HWND memo_ = nullptr;
  HWND button_ = nullptr;
};

}  // namespace

std::unique_ptr<TextLogWindow> WinTextLogWindows::Create(const TextLogWindowDesign& design) {
  return std::make_unique<WinTextLogWindow>(design);
}

}  // namespace equ::win32
