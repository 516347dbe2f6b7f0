#pragma once

#include "equipment/common/CommonSettings.h"

namespace equ::win32 {

// Renders the settings dialog with standard controls and runs it modally: the yellow header
// with logo, model and version, the multi-line tabs with the pages and the information, the
// footer buttons and the "Дополнительно" menu. Answers true when it closed with OK.
bool ShowCommonSettingsWindow(TfrmCommonSettings& dialog);

}  // namespace equ::win32
