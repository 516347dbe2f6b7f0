#include "WinCommonSettingsView.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "WinHandles.h"
#include "WinModalLoop.h"
#include "WinSettingsFonts.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

constexpr wchar_t kDialogClass[] = L"EquCommonSettings";
constexpr wchar_t kPageClass[] = L"EquSettingsPage";
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP | WS_EX_CONTROLPARENT;

constexpr int kTabsId = 10;
constexpr int kLogoId = 11;
constexpr int kSetDefaultId = 12;
constexpr int kFirstPageControlId = 100;
constexpr int kFirstMenuCommand = 2000;

constexpr int kLogoWidth = 111;
constexpr int kLogoHeight = 32;
constexpr int kVersionHeight = 13;
constexpr int kButtonHeight = 25;
constexpr int kButtonWidth = 75;
constexpr int kSetDefaultWidth = 113;
constexpr int kMargin = 8;
constexpr int kInfoCaptionWidth = 90;
constexpr int kDroppedListWidth = 200;

COLORREF HeaderColor() {
  return static_cast<COLORREF>(TfrmCommonSettings::kHeaderColor);
}

HINSTANCE Instance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&Instance), &module);
  return module;
}

void RegisterClassesOnce(WNDPROC dialogProc, WNDPROC pageProc) {
  static const bool registered = [&] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW dialog{};
    dialog.lpfnWndProc = dialogProc;
    dialog.hInstance = Instance();
    dialog.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    dialog.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    dialog.lpszClassName = kDialogClass;
    RegisterClassW(&dialog);
    WNDCLASSW page = dialog;
    page.lpfnWndProc = pageProc;
    page.lpszClassName = kPageClass;
    RegisterClassW(&page);
    return true;
  }();
  (void)registered;
}

template <class T>
T* WindowOwner(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND CreateChild(const wchar_t* className, const WideString& text, DWORD style, DWORD exStyle,
                 RECT bounds, HWND parent, int id) {
  return CreateWindowExW(exStyle, className, WidePtr(text), WS_CHILD | WS_VISIBLE | style,
                         bounds.left, bounds.top, bounds.right - bounds.left,
                         bounds.bottom - bounds.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
}

RECT Bounds(int left, int top, int width, int height) {
  return RECT{left, top, left + width, top + height};
}

WideString WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return FromWide(text.c_str(), text.size());
}

class CommonSettingsWindow;

// One page in its tab: a container window holding the page's controls.
struct PageWindow {
  CommonSettingsWindow* owner = nullptr;
  TfrmBaseSettings* page = nullptr;
  HWND container = nullptr;
  std::vector<HWND> controls;
};

class CommonSettingsWindow {
 public:
  explicit CommonSettingsWindow(TfrmCommonSettings& model) : model_(model) {}
  ~CommonSettingsWindow() {
    window_.reset();
    model_.SetOnPagesRead(nullptr);
    model_.SetControlHintByPos(nullptr);
  }
  CommonSettingsWindow(const CommonSettingsWindow&) = delete;
  CommonSettingsWindow& operator=(const CommonSettingsWindow&) = delete;

  bool Run() {
    RegisterClassesOnce(&CommonSettingsWindow::DialogProc, &CommonSettingsWindow::PageProc);
    CreateDialogWindow();
    model_.SetOnPagesRead([this] { PushAllPages(); });
    model_.SetControlHintByPos([this](TScreenPoint& pos) { return ControlHintByPos(pos); });
    ShowWindow(window_.get(), SW_SHOW);
    // FormShow: the dialog takes the focus and comes to the front.
    SetForegroundWindow(window_.get());
    SetFocus(tabs_);
    RunModalLoop(
        window_.get(), [this] { return done_; },
        [this](MSG& message) { return MoveFocusOnTab(message); });
    ShowWindow(window_.get(), SW_HIDE);
    return ok_;
  }

 private:
  void CreateDialogWindow() {
    const SIZE size = WindowSizeForClient(model_.ClientWidth(), model_.ClientHeight(), kDialogStyle,
                                          kDialogExStyle);
    const int width = std::max<int>(size.cx, TfrmCommonSettings::kMinWidth);
    const int height = std::max<int>(size.cy, TfrmCommonSettings::kMinHeight);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    window_.reset(CreateWindowExW(kDialogExStyle, kDialogClass,
                                  WidePtr(TfrmCommonSettings::kCaption), kDialogStyle, left, top,
                                  width, height, nullptr, nullptr, Instance(), this));
    RECT client;
    GetClientRect(window_.get(), &client);
    clientWidth_ = client.right;
    clientHeight_ = client.bottom;
    CreateHeader();
    CreateTabs();
    CreateFooter();
    CreateHints();
  }

  void CreateHeader() {
    const int header = TfrmCommonSettings::kHeaderHeight;
    logo_ = CreateChild(L"STATIC", u"", SS_OWNERDRAW | SS_NOTIFY, 0,
                        Bounds(0, 0, kLogoWidth, header - kVersionHeight), window_.get(), kLogoId);
    modelName_ = CreateChild(
        L"STATIC", model_.ModelNameText(), SS_LEFT, 0,
        Bounds(kLogoWidth, 4, clientWidth_ - kLogoWidth - 4, header - kVersionHeight - 4),
        window_.get(), -1);
    version_ = CreateChild(L"STATIC", model_.DriverVersionText(), SS_RIGHT, 0,
                           Bounds(0, header - kVersionHeight, clientWidth_ - 4, kVersionHeight),
                           window_.get(), -1);
    for (HWND control : {modelName_, version_}) SetControlFont(control, font_);
  }

  void CreateTabs() {
    const int top = TfrmCommonSettings::kHeaderHeight;
    const int height = clientHeight_ - top - TfrmCommonSettings::kFooterHeight;
    tabs_ = CreateChild(WC_TABCONTROLW, u"", WS_TABSTOP | WS_CLIPCHILDREN | TCS_MULTILINE,
                        WS_EX_CONTROLPARENT, Bounds(0, top, clientWidth_, height), window_.get(),
                        kTabsId);
    SetControlFont(tabs_, font_);
    SetWindowContextHelpId(tabs_, TfrmCommonSettings::kPageControlHelpID);
    const std::vector<WideString> captions = model_.TabCaptions();
    for (std::size_t i = 0; i < captions.size(); ++i) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      WideString caption = captions[i];
      item.pszText = const_cast<wchar_t*>(WidePtr(caption));
      SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT display{0, 0, clientWidth_, height};
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    pages_.reserve(model_.Pages().size());
    for (const auto& page : model_.Pages()) CreatePage(*page, display);
    CreateInformation(display);
    SendMessageW(tabs_, TCM_SETCURSEL, model_.ActivePage(), 0);
    ShowActivePage();
    PushAllPages();
  }

  HWND CreateContainer(const RECT& display, LPVOID parameter) {
    return CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS,
                           display.left, display.top, display.right - display.left,
                           display.bottom - display.top, tabs_, nullptr, Instance(), parameter);
  }

  void CreatePage(TfrmBaseSettings& page, const RECT& display) {
    pages_.push_back(std::make_unique<PageWindow>());
    PageWindow& view = *pages_.back();
    view.owner = this;
    view.page = &page;
    view.container = CreateContainer(display, &view);
    const std::vector<TPageControl>& controls = page.Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
      view.controls.push_back(CreatePageControl(controls[i], view.container,
                                                kFirstPageControlId + static_cast<int>(i)));
    }
  }

  HWND CreatePageControl(const TPageControl& control, HWND parent, int id) {
    const RECT bounds = Bounds(control.Left, control.Top, control.Width, control.Height);
    HWND window = nullptr;
    switch (control.Kind) {
      case TControlKind::ckLabel:
        window = CreateChild(L"STATIC", control.Caption,
                             SS_LEFT | (control.WordWrap ? 0 : SS_LEFTNOWORDWRAP), 0, bounds,
                             parent, id);
        break;
      case TControlKind::ckComboList: {
        RECT dropped = bounds;
        dropped.bottom += 200;
        window = CreateChild(WC_COMBOBOXW, u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0,
                             dropped, parent, id);
        for (const WideString& item : control.Items) {
          SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(item)));
        }
        // The open list may be wider than the box, so that long items read in full.
        SendMessageW(window, CB_SETDROPPEDWIDTH, std::max(control.Width, kDroppedListWidth), 0);
        break;
      }
      case TControlKind::ckEdit:
      case TControlKind::ckDigitsEdit:
        window = CreateChild(WC_EDITW, control.Text,
                             ES_AUTOHSCROLL | WS_TABSTOP |
                                 (control.Kind == TControlKind::ckDigitsEdit ? ES_NUMBER : 0),
                             WS_EX_CLIENTEDGE, bounds, parent, id);
        break;
      case TControlKind::ckCheckBox:
        window = CreateChild(WC_BUTTONW, control.Caption, BS_AUTOCHECKBOX | WS_TABSTOP, 0, bounds,
                             parent, id);
        break;
    }
    SetControlFont(window, font_);
    return window;
  }

  void CreateInformation(const RECT& display) {
    info_ = CreateContainer(display, nullptr);
    const int width = display.right - display.left;
    const int height = display.bottom - display.top;
    const int rowHeights[] = {16, 28, 16, 16, 28};
    int top = kMargin;
    const std::vector<TInfoRow>& rows = model_.InfoRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const int rowHeight = i < std::size(rowHeights) ? rowHeights[i] : height - top - kMargin;
      HWND caption = CreateChild(L"STATIC", rows[i].Caption, SS_LEFT, 0,
                                 Bounds(kMargin, top, kInfoCaptionWidth, rowHeight), info_, -1);
      SetControlFont(caption, boldFont_);
      HWND value = CreateChild(L"STATIC", rows[i].Value, SS_LEFT | SS_NOPREFIX, 0,
                               Bounds(kMargin + kInfoCaptionWidth, top,
                                      width - 2 * kMargin - kInfoCaptionWidth, rowHeight),
                               info_, -1);
      SetControlFont(value, font_);
      top += rowHeight;
    }
  }

  void CreateFooter() {
    const int top = clientHeight_ - TfrmCommonSettings::kFooterHeight +
                    (TfrmCommonSettings::kFooterHeight - kButtonHeight) / 2;
    setDefault_ = CreateChild(WC_BUTTONW, u"Дополнительно", BS_PUSHBUTTON | WS_TABSTOP, 0,
                              Bounds(kMargin, top, kSetDefaultWidth, kButtonHeight), window_.get(),
                              kSetDefaultId);
    ok_button_ = CreateChild(
        WC_BUTTONW, u"ОК", BS_DEFPUSHBUTTON | WS_TABSTOP, 0,
        Bounds(clientWidth_ - 2 * kButtonWidth - kMargin - 6, top, kButtonWidth, kButtonHeight),
        window_.get(), IDOK);
    cancel_ =
        CreateChild(WC_BUTTONW, u"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0,
                    Bounds(clientWidth_ - kButtonWidth - kMargin, top, kButtonWidth, kButtonHeight),
                    window_.get(), IDCANCEL);
    const std::pair<HWND, DWORD> helpIds[] = {
        {setDefault_, 1000}, {ok_button_, 1001}, {cancel_, 1002}};
    for (const auto& [button, helpId] : helpIds) {
      SetControlFont(button, font_);
      SetWindowContextHelpId(button, helpId);
    }
  }

  void CreateHints() {
    hints_[setDefault_] = u"Дополнительные функции";
    hints_[ok_button_] = u"Сохранить и закрыть";
    hints_[cancel_] = u"Закрыть без сохранения";
    hints_[tabs_] = model_.PageControlHint();
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               window_.get(), nullptr, Instance(), nullptr);
    for (auto& [control, hint] : hints_) {
      TOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = window_.get();
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = const_cast<wchar_t*>(WidePtr(hint));
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }

  // The model's page values into the controls.
  void PushAllPages() {
    pushing_ = true;
    for (const auto& view : pages_) {
      const std::vector<TPageControl>& controls = view->page->Controls();
      for (std::size_t i = 0; i < controls.size() && i < view->controls.size(); ++i) {
        PushControl(controls[i], view->controls[i]);
      }
    }
    pushing_ = false;
  }

  static void PushControl(const TPageControl& control, HWND window) {
    switch (control.Kind) {
      case TControlKind::ckComboList:
        SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(control.ItemIndex), 0);
        break;
      case TControlKind::ckEdit:
      case TControlKind::ckDigitsEdit:
        SetWindowTextW(window, WidePtr(control.Text));
        break;
      case TControlKind::ckCheckBox:
        SendMessageW(window, BM_SETCHECK, control.Checked ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
      case TControlKind::ckLabel:
        break;
    }
  }

  // A change the user made, into the model.
  void PullControl(PageWindow& view, int id, HWND window) {
    if (pushing_) return;
    const int index = id - kFirstPageControlId;
    std::vector<TPageControl>& controls = view.page->Controls();
    if (index < 0 || index >= static_cast<int>(controls.size())) return;
    TPageControl& control = controls[static_cast<std::size_t>(index)];
    switch (control.Kind) {
      case TControlKind::ckComboList:
        control.ItemIndex = static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0));
        break;
      case TControlKind::ckEdit:
      case TControlKind::ckDigitsEdit:
        control.Text = WindowText(window);
        break;
      case TControlKind::ckCheckBox:
        control.Checked = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
        break;
      case TControlKind::ckLabel:
        break;
    }
  }

  // The Tab order: the tab strip, the shown page's controls, then the footer buttons.
  std::vector<HWND> TabOrder() const {
    std::vector<HWND> order{tabs_};
    const std::size_t active = static_cast<std::size_t>(model_.ActivePage());
    if (active < pages_.size()) {
      for (HWND control : pages_[active]->controls) {
        if ((GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) != 0 && IsWindowEnabled(control)) {
          order.push_back(control);
        }
      }
    }
    order.insert(order.end(), {setDefault_, ok_button_, cancel_});
    return order;
  }

  bool MoveFocusOnTab(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
    if ((GetKeyState(VK_CONTROL) & 0x8000) != 0 || (GetKeyState(VK_MENU) & 0x8000) != 0) {
      return false;
    }
    if (message.hwnd != window_.get() && !IsChild(window_.get(), message.hwnd)) return false;
    const std::vector<HWND> order = TabOrder();
    const HWND focus = GetFocus();
    std::size_t current = order.size() - 1;
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (order[i] == focus || IsChild(order[i], focus)) current = i;
    }
    const bool backwards = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const std::size_t next =
        backwards ? (current + order.size() - 1) % order.size() : (current + 1) % order.size();
    SetFocus(order[next]);
    if (order[next] != tabs_ && SendMessageW(order[next], WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
      SendMessageW(order[next], EM_SETSEL, 0, -1);
    }
    return true;
  }

  void ShowActivePage() {
    const int active = static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
    model_.SetActivePage(active);
    for (std::size_t i = 0; i < pages_.size(); ++i) {
      ShowWindow(pages_[i]->container, static_cast<int>(i) == active ? SW_SHOW : SW_HIDE);
    }
    ShowWindow(info_, active == static_cast<int>(pages_.size()) ? SW_SHOW : SW_HIDE);
  }

  void Close(TModalResult requested) {
    const TModalResult result = model_.FormClose(requested);
    if (result == TModalResult::mrNone) return;
    ok_ = result == TModalResult::mrOk;
    done_ = true;
  }

  // Builds the menu as the model holds it now; hidden items are left out, and so is a
  // separator with nothing visible after it.
  void AppendItems(HMENU menu, std::vector<TMenuItem>& items) {
    std::vector<TMenuItem*> shown;
    for (TMenuItem& item : items) {
      if (!item.Visible) continue;
      const bool separator = item.Caption == u"-";
      if (separator && (shown.empty() || shown.back()->Caption == u"-")) continue;
      shown.push_back(&item);
    }
    while (!shown.empty() && shown.back()->Caption == u"-") shown.pop_back();
    for (TMenuItem* item : shown) {
      if (item->Caption == u"-") {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      } else if (!item->Items.empty()) {
        HMENU submenu = CreatePopupMenu();
        AppendItems(submenu, item->Items);
        AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu),
                    WidePtr(item->Caption));
      } else {
        commands_.push_back(item);
        AppendMenuW(menu, MF_STRING,
                    static_cast<UINT_PTR>(kFirstMenuCommand + commands_.size() - 1),
                    WidePtr(item->Caption));
      }
    }
  }

  void btnSetDefaultClick() {
    model_.mAdditionalyPopup();
    commands_.clear();
    MenuHandle menu(CreatePopupMenu());
    AppendItems(menu.get(), model_.mAdditionaly());
    RECT button;
    GetWindowRect(setDefault_, &button);
    const int command = static_cast<int>(
        TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                       button.left, button.bottom, 0, window_.get(), nullptr));
    const int index = command - kFirstMenuCommand;
    if (command == 0 || index < 0 || index >= static_cast<int>(commands_.size())) return;
    RunCommand(commands_[static_cast<std::size_t>(index)]->OnClick);
  }

  // A menu command may open windows of its own (the test window, the list, messages): the
  // dialog takes no input meanwhile.
  void RunCommand(const std::function<void()>& command) {
    if (!command) return;
    EnableWindow(window_.get(), FALSE);
    try {
      command();
    } catch (...) {
      EnableWindow(window_.get(), TRUE);
      throw;
    }
    EnableWindow(window_.get(), TRUE);
    SetForegroundWindow(window_.get());
  }

  void imgLogoClick() { model_.imgLogoClick(); }

  WideString ControlHintByPos(TScreenPoint& pos) {
    POINT cursor;
    GetCursorPos(&cursor);
    pos = TScreenPoint{cursor.x, cursor.y};
    HWND control = nullptr;
    if ((GetKeyState(VK_F1) & 0x80) != 0) {
      control = GetFocus();
    } else {
      control = WindowFromPoint(cursor);
      POINT local = cursor;
      ScreenToClient(window_.get(), &local);
      HWND child = ChildWindowFromPointEx(window_.get(), local, CWP_SKIPINVISIBLE);
      if (child != nullptr && child != window_.get()) control = child;
    }
    if (control == nullptr) return WideString();
    RECT bounds;
    GetWindowRect(control, &bounds);
    pos = TScreenPoint{bounds.left, bounds.top};
    const auto hint = hints_.find(control);
    return hint != hints_.end() ? hint->second : WideString();
  }

  void OnHelp(const HELPINFO& info) {
    HWND control = static_cast<HWND>(info.hItemHandle);
    DWORD id = 0;
    while (control != nullptr && control != window_.get() && id == 0) {
      id = GetWindowContextHelpId(control);
      control = GetParent(control);
    }
    const auto packed =
        static_cast<std::int32_t>((static_cast<std::uint32_t>(info.MousePos.y) << 16) |
                                  (static_cast<std::uint32_t>(info.MousePos.x) & 0xFFFFu));
    model_.FormHelp(THelpCommand::hcSetPopupPos, packed);
    model_.FormHelp(THelpCommand::hcContextPopup, static_cast<std::int32_t>(id));
  }

  void DrawLogo(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT area = item.rcItem;
    GdiObject header(CreateSolidBrush(HeaderColor()));
    FillRect(dc, &area, static_cast<HBRUSH>(header.get()));
    const int top = (area.bottom - area.top - kLogoHeight) / 2;
    RECT logo{area.left + 4, top, area.left + kLogoWidth - 4, top + kLogoHeight};
    GdiObject plate(CreateSolidBrush(RGB(32, 48, 96)));
    FillRect(dc, &logo, static_cast<HBRUSH>(plate.get()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, boldFont_.get());
    DrawTextW(dc, L"OVEX", -1, &logo, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
  }

  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_COMMAND:
        switch (LOWORD(wParam)) {
          case IDOK:
            Close(TModalResult::mrOk);
            return 0;
          case IDCANCEL:
            Close(TModalResult::mrCancel);
            return 0;
          case kSetDefaultId:
            btnSetDefaultClick();
            return 0;
          case kLogoId:
            if (HIWORD(wParam) == STN_CLICKED) imgLogoClick();
            return 0;
          default:
            break;
        }
        break;
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) ShowActivePage();
        break;
      }
      case WM_CLOSE:
        Close(TModalResult::mrCancel);
        return 0;
      case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
      case WM_HELP:
        OnHelp(*reinterpret_cast<const HELPINFO*>(lParam));
        return TRUE;
      case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize =
            POINT{TfrmCommonSettings::kMinWidth, TfrmCommonSettings::kMinHeight};
        return 0;
      }
      case WM_CTLCOLORSTATIC: {
        const auto control = reinterpret_cast<HWND>(lParam);
        if (control == modelName_ || control == version_) {
          SetBkColor(reinterpret_cast<HDC>(wParam), HeaderColor());
          return reinterpret_cast<LRESULT>(headerBrush_.get());
        }
        break;
      }
      case WM_DRAWITEM:
        if (wParam == kLogoId) {
          DrawLogo(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
          return TRUE;
        }
        break;
      case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == logo_) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
        break;
      case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        RECT header{0, 0, client.right, TfrmCommonSettings::kHeaderHeight};
        FillRect(reinterpret_cast<HDC>(wParam), &header, static_cast<HBRUSH>(headerBrush_.get()));
        return TRUE;
      }
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = WindowOwner<CommonSettingsWindow>(window, message, lParam);
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    try {
      return self->Handle(window, message, wParam, lParam);
    } catch (const std::exception&) {
      // The model shows its own failures; nothing may unwind through the window procedure.
      return 0;
    }
  }

  static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = WindowOwner<PageWindow>(window, message, lParam);
    if (view != nullptr && message == WM_COMMAND) {
      const WORD code = HIWORD(wParam);
      if (code == CBN_SELCHANGE || code == EN_CHANGE || code == BN_CLICKED) {
        view->owner->PullControl(*view, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
      }
      return 0;
    }
    if (message == WM_HELP) {
      // Handled by the dialog, with the control asked about.
      HWND dialog = GetAncestor(window, GA_ROOT);
      return SendMessageW(dialog, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  TfrmCommonSettings& model_;
  GdiObject font_ = CreateSettingsFont(false);
  GdiObject boldFont_ = CreateSettingsFont(true);
  GdiObject headerBrush_{CreateSolidBrush(HeaderColor())};
  WindowHandle window_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  HWND logo_ = nullptr;
  HWND modelName_ = nullptr;
  HWND version_ = nullptr;
  HWND tabs_ = nullptr;
  HWND info_ = nullptr;
  HWND setDefault_ = nullptr;
  HWND ok_button_ = nullptr;
  HWND cancel_ = nullptr;
  HWND tooltip_ = nullptr;
  std::vector<std::unique_ptr<PageWindow>> pages_;
  std::map<HWND, WideString> hints_;
  std::vector<TMenuItem*> commands_;
  bool pushing_ = false;
  bool done_ = false;
  bool ok_ = false;
};

}  // namespace

bool ShowCommonSettingsWindow(TfrmCommonSettings& dialog) {
  CommonSettingsWindow window(dialog);
  return window.Run();
}

}  // namespace equ::win32
