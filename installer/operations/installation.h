// Step 3 of the wizard: the driver installation. On USB, Plug and Play
// installs from the pre-installed package and the wizard only waits; on the
// network, a Standard TCP/IP port is made for the printer and the driver and
// the queue are installed on it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/port_data.h"
#include "platform/win_error.h"

namespace pelmora {

class StepContext;

// A Windows call that failed, and its error.
struct ApiFailure {
  std::u16string function;  // as the installer's error text names it: "AddPrinter"
  platform::Win32Error error = 0;
};

// The network half of StartInstall: the port, the driver and the queue for
// the chosen printer. True when the queue was made on the port; otherwise
// the status line names the first failure (the call and its error, or the
// driver's missing INF) and the wizard shows it instead of finishing.
bool InstallNetworkPrinter(StepContext& context);
// `failure`, when given, names the call that failed.
bool AddTcpIpPort(StepContext& context, std::u16string_view address, int port_number,
                  ApiFailure* failure = nullptr);
// `failure` names the call that failed; it stays empty when no INF of the
// model was found (the message box said so).
bool InstallPrinterDriver(StepContext& context, std::u16string_view modelName,
                          std::u16string_view portName, ApiFailure* failure = nullptr);
bool FindModelInf(StepContext& context, char16_t* path, std::size_t capacity,
                  std::u16string_view modelName);

// The port record handed to the port monitor for one printer.
platform::PortData1 MakeTcpIpPortRecord(std::u16string_view address, int port_number);
// "IP_%s": at most 34 characters with the terminating zero.
std::u16string TcpIpPortName(std::u16string_view address);
// An INF path the system reported inside the administrator's profile is
// moved back to the Windows INF folder, keeping its OEM file name.
std::u16string RewriteProfileInfPath(std::u16string_view inf_path);

inline constexpr std::size_t kInfPathChars = 1024;
inline constexpr std::size_t kPortNameChars = 34;
inline constexpr char16_t kSnmpCommunity[] = u"kvpqzt";
inline constexpr char16_t kTcpIpMonitor[] = u"Standard TCP/IP Port";
inline constexpr char16_t kDriverNotInstalledText[] = u"Fail to install driver !!!";

}  // namespace pelmora
