#include "operations/installation.h"

#include "install_log.h"
#include "operations/child_process.h"
#include "operations/cleanup.h"
#include "operations/inf_list.h"
#include "operations/model_catalogue.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "step_context.h"

namespace pelmora {

namespace {

using platform::kErrorSuccess;

constexpr std::size_t kCommandLineChars = 1024;
constexpr std::size_t kModelNameChars = 64;

template <std::size_t N>
void CopyField(char16_t (&field)[N], std::u16string_view text) {
  platform::copy_truncated(field, text);
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  return true;
}

// printui's name (/h) for the architecture of a spooler environment; empty
// for one it has no name for.
std::u16string_view PrintUiArchitecture(std::u16string_view environment) {
  if (platform::equals_ignore_ascii_case(environment, platform::kEnvironmentX64)) return u"x64";
  if (platform::equals_ignore_ascii_case(environment, platform::kEnvironmentX86)) return u"x86";
  return {};
}

}  // namespace

std::u16string TcpIpPortName(std::u16string_view address) {
  std::u16string name = platform::format(u"IP_%s", {address});
  if (name.size() > kPortNameChars - 1) name.resize(kPortNameChars - 1);
  return name;
}

platform::PortData1 MakeTcpIpPortRecord(std::u16string_view address, int port_number) {
  platform::PortData1 record{};
  CopyField(record.sztPortName, TcpIpPortName(address));
  record.dwVersion = platform::kPortDataVersion1;
  record.dwProtocol = platform::kProtocolRawTcp;
  record.cbSize = sizeof(platform::PortData1);
  record.dwReserved = 0;
  CopyField(record.sztHostAddress, address);
  CopyField(record.sztSNMPCommunity, kSnmpCommunity);
  record.dwDoubleSpool = 0;
  record.dwPortNumber = static_cast<std::uint32_t>(port_number);
  record.dwSNMPEnabled = 0;
  record.dwSNMPDevIndex = 1;
  return record;
}

bool InstallNetworkPrinter(StepContext& context) {
  // A failed port does not stop the driver's installation: the driver is of
  // use on a port made by hand later. The first failure is the one shown.
  const std::u16string_view address = platform::view_of(context.networkAddress);
  const std::u16string port = TcpIpPortName(address);
  ApiFailure port_failure, driver_failure;
  const bool added = AddTcpIpPort(context, address, context.networkPortNumber, &port_failure);
  context.networkPortMade = added;
  context.log().Write(u"step3", u"AddTcpIpPort " + Quoted(port),
                      added ? std::u16string(u"ok") : ErrorResult(port_failure.error));
  const bool installed = InstallPrinterDriver(
      context, ModelCatalogue[EffectiveModelIndex(context.modelIndex)].modelName, port,
      &driver_failure);
  context.log().Write(u"step3", u"InstallPrinterDriver " + Quoted(port),
                      installed ? u"ok" : u"failed");
  if (added && installed) return true;
  const ApiFailure& first = added ? driver_failure : port_failure;
  if (first.function.empty())
    context.SetStatusText(kDriverNotInstalledText);
  else
    ReportApiError(context, first.function, first.error);
  return false;
}

bool AddTcpIpPort(StepContext& context, std::u16string_view address, int port_number,
                  ApiFailure* failure) {
  platform::Platform& platform = context.platform();
  const platform::PortData1 record = MakeTcpIpPortRecord(address, port_number);
  ApiFailure ignored;
  ApiFailure& failed = failure ? *failure : ignored;
  // Running the installation again for the same printer replaces its port.
  platform.print_server.delete_port(TcpIpPortName(address));
  platform::ScopedPrinter xcv(platform.spooler);
  if (auto error = platform.print_server.open_xcv_monitor(
          kTcpIpMonitor, platform::kServerAccessAdminister, xcv.receive())) {
    failed = {u"OpenPrinter", error};
    return false;
  }
  std::uint32_t needed = 0, status = 0;
  if (auto error = platform.print_server.xcv_data(xcv.get(), u"AddPort", &record, sizeof record,
                                                  sizeof record, &needed, &status)) {
    failed = {u"XcvData", error};
    return false;
  }
  return true;
}

bool FindModelInf(StepContext& context, char16_t* path, std::size_t capacity,
                  std::u16string_view modelName) {
  platform::Platform& platform = context.platform();
  std::u16string wanted;
  if (const char16_t* override_name = GetInfNameOverride(context.modelIndex))
    wanted = override_name;
  else
    wanted = modelName.substr(0, kModelNameChars - 1);
  if (capacity > 0) path[0] = 0;
  // The listed INF files live in the system Windows folder's INF folder,
  // also on a Terminal Server host, whose CSIDL_WINDOWS may be the user's.
  std::u16string list, windows;
  if (platform::list_system_inf_files(platform.setup_api, platform.shell, platform::kInfStyleWin4,
                                      &list, &windows) != kErrorSuccess ||
      list.empty())
    return false;
  bool found = false;
  ForEachInfDescription(platform.setup_api, list,
                        [&](const std::u16string& name, const std::u16string& description) {
                          if (description != wanted) return false;
                          platform::format_to(path, capacity, u"%s\\Inf\\%s", {windows, name});
                          found = true;
                          return true;
                        });
  return found;
}

std::u16string RewriteProfileInfPath(std::u16string_view inf_path) {
  std::u16string_view tail;
  bool has_tail = false;
  for (std::size_t i = 0; i + 4 <= inf_path.size(); ++i) {
    if (StartsWithIgnoreCase(inf_path.substr(i), u"\\oem")) {
      tail = inf_path.substr(i);
      has_tail = true;
    }
  }
  // Without an OEM name to keep, the path is used as the system gave it.
  if (has_tail && StartsWithIgnoreCase(inf_path, u"c:\\users\\administrator\\window"))
    return platform::format(u"C:\\windows\\inf%s", {tail});
  return std::u16string(inf_path);
}

bool InstallPrinterDriver(StepContext& context, std::u16string_view modelName,
                          std::u16string_view portName, ApiFailure* failure) {
  platform::Platform& platform = context.platform();
  ApiFailure ignored;
  ApiFailure& failed = failure ? *failure : ignored;
  char16_t inf_path[kInfPathChars];
  if (!FindModelInf(context, inf_path, kInfPathChars, modelName)) {
    context.log().Write(u"step3", u"FindModelInf " + Quoted(modelName),
                        u"failed: " + std::u16string(kDriverNotInstalledText));
    context.ShowMessageBox(kDriverNotInstalledText, u"ERROR", platform::kMbOk);
    return false;
  }
  context.log().Write(u"step3", u"FindModelInf " + Quoted(modelName),
                      u"ok, " + Quoted(platform::view_of(inf_path)));
  const std::u16string inf = RewriteProfileInfPath(platform::view_of(inf_path));
  // The queue below needs the driver of the print server's own environment.
  // Without /h, printui installs the driver of its own process's: the 32-bit
  // rundll32 of a 32-bit installer installs "Windows NT x86", which on 64-bit
  // Windows serves only point-and-print clients. rundll32 by its full path
  // in the system folder: a bare name is looked for in the installer's
  // folder and the current folder first.
  std::u16string environment, architecture_switch;
  if (platform.spooler.get_server_environment(&environment) == kErrorSuccess) {
    const std::u16string_view architecture = PrintUiArchitecture(environment);
    if (!architecture.empty())
      architecture_switch = platform::format(u" /h \"%s\"", {architecture});
  }
  // /q: printui reports a failure in no box of its own; the queue's
  // creation below tells whether the driver is there.
  std::u16string command = platform::format(
      u"\"%s\\rundll32.exe\" printui.dll,PrintUIEntry /ia /q /m \"%s\"%s /f \"%s\"",
      {platform.shell.system_directory(), modelName, architecture_switch, inf});
  if (command.size() > kCommandLineChars - 1) command.resize(kCommandLineChars - 1);
  {
    platform::ScopedProcess process(platform.processes);
    if (auto error = platform.processes.create_process(
            command, platform::kCreateNoWindow | platform::kCreatePreserveCodeAuthzLevel,
            process.receive())) {
      context.log().Write(u"step3", u"run " + Quoted(command),
                          u"not started, " + ErrorResult(error));
      failed = {u"CreateProcess", error};
      return false;
    }
    if (!WaitForChild(platform.processes, process.get(), kPrintUiLimitMs, context.log(), u"step3",
                      command)) {
      failed = {u"WaitForSingleObject", platform::kWaitTimeout};
      return false;
    }
    // The driver installer's verdict is not used: the queue creation below
    // fails when the driver is missing. Administrators still want it.
    std::uint32_t exit_code = 0;
    const platform::Win32Error read = platform.processes.get_exit_code(process.get(), &exit_code);
    context.log().Write(u"step3", u"run " + Quoted(command), ExitResult(read, exit_code));
  }
  platform::NewPrinter printer{std::u16string(modelName), std::u16string(portName),
                               std::u16string(modelName), u"WinPrint", u"RAW"};
  platform::ScopedPrinter queue(platform.spooler);
  const platform::Win32Error added = platform.print_server.add_printer(printer, queue.receive());
  context.log().Write(u"step3", u"add-printer " + Quoted(modelName), ErrorResult(added));
  if (added != kErrorSuccess) failed = {u"AddPrinter", added};
  return added == kErrorSuccess;
}

}  // namespace pelmora
