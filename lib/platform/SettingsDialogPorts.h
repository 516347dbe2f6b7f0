#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "equipment/common/WideString.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/ModuleInfo.h"

namespace equ {

class TfrmCommonSettings;
class TfrmSettingsList;

enum class TMessageIcon : std::uint8_t { miError, miInformation };
enum class TShowMode : std::uint8_t { smRestored, smMaximized };

// A point on the screen.
struct TScreenPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TScreenPoint&, const TScreenPoint&) = default;
};

// A context-help popup: its text or, taken from the help file's popup topic, its string ID.
struct THelpPopup {
  WideString Text;
  std::int32_t StringID = 0;
  // Empty: shown on its own; otherwise "<help file>::/popups.txt".
  WideString Location;
  TScreenPoint Position;
  std::uint32_t TextColor = 0;         // RGB as 0x00BBGGRR
  std::uint32_t BackColor = 0xEEFFFF;  // red 255, green 255, blue 238
  int Margin = 5;
};

// What the settings windows need of the desktop around them. None of it throws; a service
// the desktop lacks (no help viewer, no shell handler) simply does nothing.
class DialogDesktop {
 public:
  virtual ~DialogDesktop() = default;
  virtual void ShowMessage(const WideString& text, const WideString& caption,
                           TMessageIcon icon) = 0;
  // The hourglass while true, the default cursor again when false.
  virtual void SetBusyCursor(bool busy) = 0;
  virtual bool FileExists(const WideString& path) const = 0;
  // The shell's "Open" for a file or an address; false when it could not.
  virtual bool ShellOpen(const WideString& target, TShowMode mode) = 0;
  // A file chosen in the file-open dialog, starting in a folder, with a filter such as
  // "Файлы log|*.log;"; nothing when the user cancels.
  virtual std::optional<WideString> PickFile(const WideString& folder,
                                             const WideString& filter) = 0;
  virtual void ShowHelpFile(const WideString& helpFile) = 0;
  virtual void ShowHelpPopup(const THelpPopup& popup) = 0;
};

// The windows that render the settings models and run them modally. Each call returns when
// the window has closed; true when it closed with OK.
class SettingsViews {
 public:
  virtual ~SettingsViews() = default;
  virtual bool ShowCommonSettings(TfrmCommonSettings& dialog) = 0;
  virtual bool ShowSettingsList(TfrmSettingsList& list) = 0;
};

// Everything the settings dialog, its pages and the settings list receive from outside.
struct TSettingsDialogPorts {
  std::shared_ptr<DialogDesktop> desktop;
  std::shared_ptr<SettingsViews> views;
  std::shared_ptr<const ModuleInfo> module;
  std::shared_ptr<const Clock> clock;
  std::shared_ptr<const Folders> folders;
};

}  // namespace equ
