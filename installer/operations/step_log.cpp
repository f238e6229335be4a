#include "operations/step_log.h"

#include "install_log.h"
#include "step_context.h"

namespace pelmora {

bool RunLogged(StepContext& context, std::u16string_view area, std::u16string_view name,
               const std::function<bool()>& operation) {
  const unsigned writes = context.StatusWrites();
  const bool ok = operation();
  if (ok) {
    context.log().Write(area, name, u"ok");
  } else {
    context.log().Write(area, name,
                        context.StatusWrites() == writes ? std::u16string(u"failed")
                                                         : u"failed: " + context.StatusText());
  }
  return ok;
}

}  // namespace pelmora
