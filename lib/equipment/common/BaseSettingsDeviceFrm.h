#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "WideString.h"
#include "platform/SettingsDialogPorts.h"

namespace equ {

class TBaseDevice;
class TfrmCommonSettings;

enum class TControlKind : std::uint8_t { ckLabel, ckComboList, ckEdit, ckDigitsEdit, ckCheckBox };

// One control of a page as the view draws it, with its current state. The view writes every
// change the user makes back into these fields; the page reads and writes them.
struct TPageControl {
  WideString Name;
  TControlKind Kind = TControlKind::ckLabel;
  WideString Caption;
  std::vector<WideString> Items;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool WordWrap = false;
  int ItemIndex = -1;
  WideString Text;
  bool Checked = false;
};

// The base of every settings page: a small form tied to its device and to the dialog that
// hosts it. A page reads the settings into its controls, checks them and writes them back.
class TfrmBaseSettings {
 public:
  TfrmBaseSettings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                   const TSettingsDialogPorts& ports);
  virtual ~TfrmBaseSettings() = default;
  TfrmBaseSettings(const TfrmBaseSettings&) = delete;
  TfrmBaseSettings& operator=(const TfrmBaseSettings&) = delete;

  // The page accepts its values unless it sets allowColse to false (and tells the user why).
  virtual void OnSaveSettings(bool& allowColse);
  // Writes the controls into the settings.
  virtual void OnSaveSettings() {}
  // Fills the controls from the settings.
  virtual void OnReadSettings() {}
  // Called once at the end of construction, by Create.
  virtual void OnCreateFrm() {}
  // A message sent by a page of the same dialog (this one included).
  virtual void OnNotify(const WideString& /*msg*/, const WideString& /*data*/) {}

  // Runs OnCreateFrm; a page class calls it as the last step of its own construction.
  void Create() { OnCreateFrm(); }

  void NotifyOwner(const WideString& msg, const WideString& data);

  // Brings the device up with the values on screen (a live test of a page).
  std::int32_t EnableDevice(std::span<const WideString> settings, WideString& resultDescription);
  std::int32_t EnableDevice(WideString& resultDescription);
  std::int32_t EnableDevice(std::span<const WideString> settings);
  std::int32_t EnableDevice();
  void DisableDevice();

  TBaseDevice& DeviceManager() const { return FDeviceManager; }
  TfrmCommonSettings* OwnerFrm() const { return FOwnerFrm; }
  void SetOwnerFrm(TfrmCommonSettings* owner) { FOwnerFrm = owner; }
  const WideString& Caption() const { return FCaption; }
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  std::vector<TPageControl>& Controls() { return FControls; }
  const std::vector<TPageControl>& Controls() const { return FControls; }
  // The control of that name; raises when the page has none (a design fault).
  TPageControl& Control(std::u16string_view name);

 protected:
  void SetDesign(WideString caption, int clientWidth, int clientHeight);
  TPageControl& AddControl(TPageControl control);
  const TSettingsDialogPorts& Ports() const { return FPorts; }

 private:
  TBaseDevice& FDeviceManager;
  TfrmCommonSettings* FOwnerFrm = nullptr;
  TSettingsDialogPorts FPorts;
  WideString FCaption;
  int FClientWidth = 0;
  int FClientHeight = 0;
  std::vector<TPageControl> FControls;
};

// Converts a control's text to a 32-bit integer as the pages need it: optional blanks, an
// optional sign and decimal digits; raises a Russian message naming the text otherwise.
std::int32_t StrToInt(const WideString& text);

}  // namespace equ
