// Runs a dialog template of the program's resources as a modal dialog whose
// behaviour is a platform::DialogLogic.
#pragma once

#include "platform/dialog_host.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {

// Creates the dialog from resource `template_id`, executes its dialog
// initialisation data (the list and combo box items stored with the
// template), attaches a Win32DialogHost to `logic` and calls its
// OnInitDialog, then hands it every message of the window until the dialog
// ends (window_procedure.h). WM_CLOSE and the commands IDOK and IDCANCEL
// (Enter and Escape) end the dialog unless the logic handles them. Returns the dialog's result, or
// -1 when the dialog could not be created. With an owner, the owner is disabled while the dialog
// runs.
int run_modal_dialog(int template_id, platform::DialogLogic& logic, HWND owner = nullptr);

}  // namespace platform_win32
