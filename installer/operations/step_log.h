// The result lines of a step's operations in the installation log.
#pragma once

#include <functional>
#include <string_view>

namespace pelmora {

class StepContext;

// Runs one operation of a step and logs "<name>: ok", or "<name>: failed:"
// followed by the status line's text when the operation wrote it, or
// "<name>: failed" when it wrote nothing there. Returns the operation's
// result.
bool RunLogged(StepContext& context, std::u16string_view area, std::u16string_view name,
               const std::function<bool()>& operation);

}  // namespace pelmora
