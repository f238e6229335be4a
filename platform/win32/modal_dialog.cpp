#include "platform_win32/modal_dialog.h"

#include <memory>
#include <vector>

#include "platform/util/dialog_init.h"
#include "platform_win32/win32_dialog_host.h"
#include "platform_win32/window_procedure.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {
namespace {

// Fills the list and combo boxes from the template's initialisation data,
// as the dialog base class does before the dialog's own initialisation.
void execute_dialog_init(HWND dialog, int template_id) {
  const HINSTANCE instance = program_instance();
  const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(template_id),
                                    MAKEINTRESOURCEW(platform::kDialogInitResourceType));
  if (found == nullptr) return;
  const HGLOBAL loaded = LoadResource(instance, found);
  const DWORD size = SizeofResource(instance, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data == nullptr || size == 0) return;
  std::vector<platform::DialogInitRecord> records;
  // A damaged list still gives the records before the damage.
  platform::parse_dialog_init(static_cast<const std::uint8_t*>(data), size, &records);
  for (const auto& record : records) {
    UINT message = 0;
    if (record.message == platform::kDialogInitComboAddString)
      message = CB_ADDSTRING;
    else if (record.message == platform::kDialogInitListAddString)
      message = LB_ADDSTRING;
    else
      continue;
    // The texts are 8-bit, in the system's code page, as the resource
    // compiler stored them.
    std::wstring text;
    if (!record.text.empty()) {
      const int length = MultiByteToWideChar(CP_ACP, 0, record.text.data(),
                                             static_cast<int>(record.text.size()), nullptr, 0);
      if (length <= 0) continue;
      text.resize(static_cast<std::size_t>(length));
      MultiByteToWideChar(CP_ACP, 0, record.text.data(), static_cast<int>(record.text.size()),
                          text.data(), length);
    }
    SendDlgItemMessageW(dialog, record.control, message, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

// A top-level dialog that its template puts at the origin, and that its
// initialisation did not move, is centred on the screen's work area, as the
// application framework does for its dialogs.
void center_if_unplaced(HWND window, const RECT& before) {
  RECT now{};
  GetWindowRect(window, &now);
  if (now.left != before.left || now.top != before.top) return;
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  if ((style & WS_CHILD) != 0 || (style & DS_ABSALIGN) != 0) return;
  if (now.left != 0 || now.top != 0) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& area = monitor.rcWork;
  const LONG width = now.right - now.left;
  const LONG height = now.bottom - now.top;
  LONG x = area.left + (area.right - area.left - width) / 2;
  LONG y = area.top + (area.bottom - area.top - height) / 2;
  // Never push the caption off the top or left edge.
  if (x < area.left) x = area.left;
  if (y < area.top) y = area.top;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A dialog of the program's resources: the list and combo box items of its
// template's initialisation data come before the logic's own
// initialisation, and a dialog still where its template put it afterwards
// is centred.
class ModalDialogRoute : public DialogRoute<Win32DialogHost, platform::DialogLogic> {
 public:
  ModalDialogRoute(platform::DialogLogic& logic, int template_id)
      : DialogRoute(logic), template_id_(template_id) {}
  bool initialise(HWND window) override {
    host_ = std::make_unique<Win32DialogHost>(window);
    execute_dialog_init(window, template_id_);
    logic_.attach(host_.get());
    RECT before{};
    GetWindowRect(window, &before);
    const bool focus_default = logic_.OnInitDialog();
    if (IsWindow(window)) center_if_unplaced(window, before);
    return focus_default;
  }

 private:
  int template_id_;
};

}  // namespace

int run_modal_dialog(int template_id, platform::DialogLogic& logic, HWND owner) {
  ModalDialogRoute route(logic, template_id);
  return static_cast<int>(run_routed_dialog(template_id, owner, route));
}

}  // namespace platform_win32
