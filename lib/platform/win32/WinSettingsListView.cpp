#include "WinSettingsListView.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <exception>

#include "WinHandles.h"
#include "WinModalLoop.h"
#include "WinSettingsFonts.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

constexpr wchar_t kListClass[] = L"EquSettingsList";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kListId = 10;
constexpr int kEditId = 11;
constexpr int kComboId = 12;
constexpr int kDefaultId = 13;
constexpr int kMenuEdit = 100;
constexpr int kMenuDefault = 101;
constexpr int kButtonWidth = 75;
constexpr int kDefaultButtonWidth = 95;
constexpr int kButtonHeight = 25;
constexpr int kMargin = 8;
constexpr UINT_PTR kEditorSubclass = 1;

HINSTANCE Instance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&Instance), &module);
  return module;
}

TListKey KeyOf(WPARAM key) {
  switch (key) {
    case VK_RETURN:
      return TListKey::lkEnter;
    case VK_F2:
      return TListKey::lkF2;
    case VK_ESCAPE:
      return TListKey::lkEscape;
    default:
      return TListKey::lkOther;
  }
}

WideString WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return FromWide(text.c_str(), text.size());
}

class SettingsListWindow {
 public:
  explicit SettingsListWindow(TfrmSettingsList& model) : model_(model) {}
  ~SettingsListWindow() {
    window_.reset();
    model_.SetOnRowsChanged(nullptr);
    model_.SetOnEditorChanged(nullptr);
  }
  SettingsListWindow(const SettingsListWindow&) = delete;
  SettingsListWindow& operator=(const SettingsListWindow&) = delete;

  bool Run() {
    RegisterClassOnce();
    Create();
    model_.SetOnRowsChanged([this](std::int32_t row) { Redraw(row); });
    model_.SetOnEditorChanged([this] { ShowEditor(); });
    ShowWindow(window_.get(), SW_SHOW);
    SetForegroundWindow(window_.get());
    SetFocus(list_);
    RunModalLoop(
        window_.get(), [this] { return done_; },
        [this](MSG& message) { return PreviewKey(message); });
    ShowWindow(window_.get(), SW_HIDE);
    return ok_;
  }

 private:
  static void RegisterClassOnce() {
    static const bool registered = [] {
      INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
      InitCommonControlsEx(&controls);
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = &SettingsListWindow::Procedure;
      windowClass.hInstance = Instance();
      windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
      windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      windowClass.lpszClassName = kListClass;
      return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
  }

  HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int left,
             int top, int width, int height, int id) {
    HWND child = CreateWindowExW(
        exStyle, className, text, WS_CHILD | style, left, top, width, height, window_.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    SetControlFont(child, font_);
    return child;
  }

  void Create() {
    const int width = TfrmSettingsList::kClientWidth;
    const int height = TfrmSettingsList::kClientHeight;
    const SIZE size = WindowSizeForClient(width, height, kStyle, kExStyle);
    window_.reset(CreateWindowExW(kExStyle, kListClass, WidePtr(TfrmSettingsList::kCaption), kStyle,
                                  (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2, size.cx, size.cy,
                                  nullptr, nullptr, Instance(), this));
    // The editors lie above the list: made first, they come first among its siblings.
    edit_ = Child(WC_EDITW, L"", ES_AUTOHSCROLL | WS_BORDER, 0, 0, 0, 10, 10, kEditId);
    combo_ = Child(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 0, 10, 100, kComboId);
    SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"False"));
    SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"True"));
    for (HWND editor : {edit_, combo_}) {
      SetWindowSubclass(editor, &SettingsListWindow::EditorProc, kEditorSubclass,
                        reinterpret_cast<DWORD_PTR>(this));
    }
    const int footerTop = height - TfrmSettingsList::kFooterHeight;
    const int statusTop = footerTop - TfrmSettingsList::kStatusHeight;
    list_ = Child(WC_LISTVIEWW, L"",
                  WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA |
                      LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                  WS_EX_CLIENTEDGE, 0, 0, width, statusTop, kListId);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    AddColumn(0, L"Наименование", TfrmSettingsList::kNameColumnWidth);
    AddColumn(1, L"Значение", TfrmSettingsList::kValueColumnWidth);
    AddColumn(2, L"По-умолчанию", TfrmSettingsList::kDefaultColumnWidth);
    SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(model_.RowCount()), 0);
    status_ = Child(L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_SUNKEN | SS_NOPREFIX, 0, 0, statusTop,
                    width, TfrmSettingsList::kStatusHeight, -1);
    const int buttonTop = footerTop + (TfrmSettingsList::kFooterHeight - kButtonHeight) / 2;
    Child(WC_BUTTONW, L"ОК", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
          width - 2 * kButtonWidth - kMargin - 6, buttonTop, kButtonWidth, kButtonHeight, IDOK);
    Child(WC_BUTTONW, L"Отмена", WS_VISIBLE | WS_TABSTOP, 0, width - kButtonWidth - kMargin,
          buttonTop, kButtonWidth, kButtonHeight, IDCANCEL);
    Child(WC_BUTTONW, L"По-умолчанию", WS_VISIBLE | WS_TABSTOP, 0, kMargin, buttonTop,
          kDefaultButtonWidth, kButtonHeight, kDefaultId);
    // The footer's bevel along its top edge.
    Child(L"STATIC", L"", WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, footerTop, width, 2, -1);
  }

  void AddColumn(int index, const wchar_t* caption, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(caption);
    column.cx = width;
    column.iSubItem = index;
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
  }

  void Redraw(std::int32_t row) {
    if (row < 0) {
      SendMessageW(list_, LVM_REDRAWITEMS, 0, model_.RowCount() - 1);
    } else {
      SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
    }
    UpdateWindow(list_);
  }

  void ShowEditor() {
    if (!model_.EditorShown()) {
      ShowWindow(edit_, SW_HIDE);
      ShowWindow(combo_, SW_HIDE);
      SetFocus(list_);
      return;
    }
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(model_.Selected()),
                 reinterpret_cast<LPARAM>(&row));
    const int nameWidth = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, 0, 0));
    const int valueWidth = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, 1, 0));
    const TCellRect cell = TfrmSettingsList::EditorBounds(
        TCellRect{row.left, row.top, row.right - row.left, row.bottom - row.top}, nameWidth,
        valueWidth);
    HWND editor = model_.EditControl() == TInlineEditor::ieCombo ? combo_ : edit_;
    syncing_ = true;
    if (editor == combo_) {
      SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(model_.cbEditIndex()), 0);
    } else {
      SetWindowTextW(edit_, WidePtr(model_.edEditText()));
      SendMessageW(edit_, EM_SETSEL, 0, -1);
    }
    syncing_ = false;
    // The list lies at the window's origin, so its coordinates are the window's.
    SetWindowPos(editor, HWND_TOP, cell.Left, cell.Top, cell.Width,
                 editor == combo_ ? cell.Height + 100 : cell.Height, SWP_SHOWWINDOW);
    SetFocus(editor);
  }

  // Keys of the list are the window's to handle first.
  bool PreviewKey(MSG& message) {
    if (message.message != WM_KEYDOWN || message.hwnd != list_) return false;
    const TListKey key = KeyOf(message.wParam);
    if (key == TListKey::lkOther) return false;
    model_.lvSettingsKeyDown(key);
    return true;
  }

  void OnListNotify(const NMHDR& header) {
    switch (header.code) {
      case LVN_GETDISPINFOW: {
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) == 0) return;
        const TSettingsListRow row = model_.lvSettingsData(info.item.iItem);
        const WideString& text = info.item.iSubItem == 0   ? row.Caption
                                 : info.item.iSubItem == 1 ? row.Value
                                                           : row.Default;
        cell_[info.item.iSubItem % 3] = text;
        info.item.pszText = const_cast<wchar_t*>(WidePtr(cell_[info.item.iSubItem % 3]));
        return;
      }
      case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_SELECTED) != 0 &&
            (change.uOldState & LVIS_SELECTED) == 0) {
          model_.lvSettingsChange(change.iItem);
          SetWindowTextW(status_, WidePtr(model_.StatusText()));
        }
        return;
      }
      case NM_DBLCLK:
        model_.lvSettingsDblClick();
        return;
      case NM_RCLICK:
        ShowPopupMenu();
        return;
      default:
        return;
    }
  }

  void ShowPopupMenu() {
    MenuHandle menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, kMenuEdit, L"Редактировать");
    AppendMenuW(menu.get(), MF_STRING, kMenuDefault, L"По-умолчанию");
    POINT cursor;
    GetCursorPos(&cursor);
    const int command = static_cast<int>(TrackPopupMenu(
        menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0, window_.get(), nullptr));
    if (command == kMenuEdit) model_.miEditClick();
    if (command == kMenuDefault) model_.miDefaultClick();
  }

  void Close(bool ok) {
    // A footer button takes the focus from an open editor, which writes its value first.
    model_.edEditExit();
    ok_ = ok;
    done_ = true;
  }

  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
          Close(id == IDOK);
        } else if (id == kDefaultId) {
          model_.btnDefaultClick();
        } else if (id == kEditId && code == EN_CHANGE && !syncing_) {
          model_.SetEdEditText(WindowText(edit_));
        } else if (id == kComboId && code == CBN_SELCHANGE && !syncing_) {
          model_.SetCbEditIndex(static_cast<int>(SendMessageW(combo_, CB_GETCURSEL, 0, 0)));
        } else if ((id == kEditId && code == EN_KILLFOCUS) ||
                   (id == kComboId && code == CBN_KILLFOCUS)) {
          model_.edEditExit();
        }
        return 0;
      }
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == list_) OnListNotify(*header);
        return 0;
      }
      case WM_CLOSE:
        Close(false);
        return 0;
      case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
      default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<SettingsListWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    try {
      return self->Handle(window, message, wParam, lParam);
    } catch (const std::exception&) {
      // Nothing may unwind through the window procedure; the list has no failure to show.
      return 0;
    }
  }

  // Enter and Esc in an editor belong to the editor, not to the window's default buttons.
  static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<SettingsListWindow*>(data);
    if (message == WM_GETDLGCODE && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
      return DLGC_WANTALLKEYS;
    }
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
      const bool dropped =
          window == self->combo_ && SendMessageW(self->combo_, CB_GETDROPPEDSTATE, 0, 0) != 0;
      if (!dropped) {
        self->model_.edEditKeyDown(KeyOf(wParam));
        return 0;
      }
    }
    if (message == WM_CHAR && (wParam == L'\r' || wParam == 27)) return 0;
    return DefSubclassProc(window, message, wParam, lParam);
  }

  TfrmSettingsList& model_;
  GdiObject font_ = CreateSettingsFont(false);
  WindowHandle window_;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  HWND edit_ = nullptr;
  HWND combo_ = nullptr;
  std::array<WideString, 3> cell_;
  bool syncing_ = false;
  bool done_ = false;
  bool ok_ = false;
};

}  // namespace

bool ShowSettingsListWindow(TfrmSettingsList& list) {
  SettingsListWindow window(list);
  return window.Run();
}

}  // namespace equ::win32
