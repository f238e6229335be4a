#include "operations/step_log.h"

#include "pelmora_dlg.h"

namespace pelmora {

bool RunLogged(CPelmoraDlg& dialog, std::u16string_view area, std::u16string_view name,
               const std::function<bool()>& operation) {
  const unsigned writes = dialog.statusWrites();
  const bool ok = operation();
  if (ok) {
    dialog.log().Write(area, name, u"ok");
  } else {
    dialog.log().Write(area, name,
                       dialog.statusWrites() == writes
                           ? std::u16string(u"failed")
                           : u"failed: " + dialog.host().text(IDC_STATUS));
  }
  return ok;
}

}  // namespace pelmora
