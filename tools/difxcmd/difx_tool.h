// The driver-package tool delivered with the installer: "/p INF" puts a
// driver package into the driver store, "/u INF" takes the package that came
// from that INF out again. Written against the platform's SetupAPI port, so
// the program and the simulated Windows run the same code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/setup_api.h"
#include "platform/shell.h"

namespace difx {

// Splits an argument text the way the C runtime does for wmain: blanks
// separate arguments, double quotes group them, \" is a quote.
std::vector<std::u16string> split_arguments(std::u16string_view text);

// Runs the tool for its arguments (without the program name). Returns the
// exit code: 0 on success, the Windows error code otherwise. `*output` gets
// what the tool prints.
std::uint32_t run_difx_command(platform::SetupApi& setup_api, platform::Shell& shell,
                               const std::vector<std::u16string>& arguments,
                               std::u16string* output);

inline constexpr char16_t kUsageText[] =
    u"Usage: DIFxCmd /p \"INF\"   pre-install the driver package of INF into the driver store\r\n"
    u"       DIFxCmd /u \"INF\"   remove the package that came from INF from the driver store\r\n";

}  // namespace difx
