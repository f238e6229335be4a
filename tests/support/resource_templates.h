// The simulated dialogs of the installer, made from the templates of its
// resource script.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/util/message_map.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_dialog_template.h"
#include "support/resource_script.h"

namespace test_support {

// The controls of a dialog template of the installer's resource script as
// the window starts with them.
inline void DefineTemplate(platform::sim::SimDialogHost& host, std::string_view name) {
  std::string error;
  if (!platform::sim::define_dialog_template(host, kPelmoraResourceScript, kPelmoraResourceIds,
                                             name, &error))
    ADD_FAILURE() << error;
}
// Opens `logic` in `host` made from template `name`: the host is attached and
// delivers every message to the logic, as the real dialog's procedure does.
inline void OpenInTemplate(platform::sim::SimDialogHost& host,
                           platform::WindowLogic<platform::DialogHost>& logic,
                           std::string_view name = "IDD_PELMORA_DIALOG") {
  DefineTemplate(host, name);
  logic.attach(&host);
  host.set_dispatch([&logic](const platform::WindowMessage& m) { return logic.handle_message(m); });
}

}  // namespace test_support
