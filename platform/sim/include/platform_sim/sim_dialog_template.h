// The controls of a dialog template, read from the resource script the
// programs are built from, as Windows creates them when the dialog opens:
// each control with an id, its text, its initial visibility, a combo box's
// sorting and the items its DLGINIT data adds. Static controls without an id
// (-1) are left out: nothing can address them.
#pragma once

#include <string>
#include <string_view>

#include "platform/util/windowless_dialog_host.h"

namespace platform::sim {

// Defines the controls of the template `name` of `script` (the text of an
// .rc file) in `host` and sets its caption; the symbolic ids are looked up in
// `ids` (the text of the header of #defines the script includes) and
// IDOK/IDCANCEL. False with a message naming the line for a template that is
// missing, a statement that cannot be read or an id that is not defined.
bool define_dialog_template(WindowlessDialogHost& host, std::string_view script,
                            std::string_view ids, std::string_view name, std::string* error);

}  // namespace platform::sim
