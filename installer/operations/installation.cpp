#include "operations/installation.h"

#include "install_log.h"
#include "operations/inf_list.h"
#include "operations/model_catalogue.h"
#include "operations/system_folders.h"
#include "pelmora_dlg.h"
#include "platform/format.h"
#include "platform/text.h"

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

}  // namespace

std::u16string TcpIpPortName(std::u16string_view address) {
  std::u16string name = platform::format(u"IP_%s", {address});
  if (name.size() > kPortNameChars - 1) name.resize(kPortNameChars - 1);
  return name;
}

platform::PortData1 MakeTcpIpPortRecord(std::u16string_view address, int portNumber) {
  platform::PortData1 record{};
  CopyField(record.sztPortName, TcpIpPortName(address));
  record.dwVersion = platform::kPortDataVersion1;
  record.dwProtocol = platform::kProtocolRawTcp;
  record.cbSize = sizeof(platform::PortData1);
  record.dwReserved = 0;
  CopyField(record.sztHostAddress, address);
  CopyField(record.sztSNMPCommunity, kSnmpCommunity);
  record.dwDoubleSpool = 0;
  record.dwPortNumber = static_cast<std::uint32_t>(portNumber);
  record.dwSNMPEnabled = 0;
  record.dwSNMPDevIndex = 1;
  return record;
}

void InstallNetworkPrinter(CPelmoraDlg& dialog) {
  // Neither result stops the step: the network path ends the same way.
  const std::u16string_view address = platform::view_of(dialog.networkAddress);
  const std::u16string port = TcpIpPortName(address);
  const bool added = AddTcpIpPort(dialog, address, dialog.networkPortNumber);
  dialog.log().Write(u"step3", u"AddTcpIpPort " + Quoted(port), added ? u"ok" : u"failed");
  const bool installed = InstallPrinterDriver(
      dialog, ModelCatalogue[EffectiveModelIndex(dialog.modelIndex)].modelName, port);
  dialog.log().Write(u"step3", u"InstallPrinterDriver " + Quoted(port),
                     installed ? u"ok" : u"failed");
}

bool AddTcpIpPort(CPelmoraDlg& dialog, std::u16string_view address, int portNumber) {
  platform::Platform& platform = dialog.platform();
  const platform::PortData1 record = MakeTcpIpPortRecord(address, portNumber);
  // Running the installation again for the same printer replaces its port.
  platform.print_server.delete_port(TcpIpPortName(address));
  platform::ScopedPrinter xcv(platform.spooler);
  if (platform.print_server.open_xcv_monitor(kTcpIpMonitor, platform::kServerAccessAdminister,
                                             xcv.receive()) != kErrorSuccess)
    return false;
  std::uint32_t needed = 0, status = 0;
  return platform.print_server.xcv_data(xcv.get(), u"AddPort", &record, sizeof record,
                                        sizeof record, &needed, &status) == kErrorSuccess;
}

bool FindModelInf(CPelmoraDlg& dialog, char16_t* path, std::size_t capacity,
                  std::u16string_view modelName) {
  platform::Platform& platform = dialog.platform();
  std::u16string wanted;
  if (const char16_t* override_name = GetInfNameOverride(dialog.modelIndex))
    wanted = override_name;
  else
    wanted = modelName.substr(0, kModelNameChars - 1);
  if (capacity > 0) path[0] = 0;
  const SystemFolders folders = GetSystemFolders(platform);
  // The INF folder is named rather than left to the call's default: the
  // same list on Windows, and the only way to get one from Wine.
  std::u16string list;
  if (platform.setup_api.get_inf_file_list(folders.windows + u"\\INF", platform::kInfStyleWin4,
                                           &list) != kErrorSuccess ||
      list.empty())
    return false;
  bool found = false;
  ForEachInfDescription(platform.setup_api, list,
                        [&](const std::u16string& name, const std::u16string& description) {
                          if (description != wanted) return false;
                          platform::format_to(path, capacity, u"%s\\Inf\\%s",
                                              {folders.windows, name});
                          found = true;
                          return true;
                        });
  return found;
}

std::u16string RewriteProfileInfPath(std::u16string_view infPath) {
  std::u16string_view tail;
  bool has_tail = false;
  for (std::size_t i = 0; i + 4 <= infPath.size(); ++i) {
    if (StartsWithIgnoreCase(infPath.substr(i), u"\\oem")) {
      tail = infPath.substr(i);
      has_tail = true;
    }
  }
  // Without an OEM name to keep, the path is used as the system gave it.
  if (has_tail && StartsWithIgnoreCase(infPath, u"c:\\users\\administrator\\window"))
    return platform::format(u"C:\\windows\\inf%s", {tail});
  return std::u16string(infPath);
}

bool InstallPrinterDriver(CPelmoraDlg& dialog, std::u16string_view modelName,
                          std::u16string_view portName) {
  platform::Platform& platform = dialog.platform();
  char16_t inf_path[kInfPathChars];
  if (!FindModelInf(dialog, inf_path, kInfPathChars, modelName)) {
    dialog.log().Write(u"step3", u"FindModelInf " + Quoted(modelName),
                       u"failed: Fail to install driver !!!");
    dialog.host().message_box(u"Fail to install driver !!!", u"ERROR", platform::kMbOk);
    return false;
  }
  dialog.log().Write(u"step3", u"FindModelInf " + Quoted(modelName),
                     u"ok, " + Quoted(platform::view_of(inf_path)));
  const std::u16string inf = RewriteProfileInfPath(platform::view_of(inf_path));
  std::u16string command = platform::format(
      u"rundll32 printui.dll,PrintUIEntry /ia /m \"%s\" /f \"%s\"", {modelName, inf});
  if (command.size() > kCommandLineChars - 1) command.resize(kCommandLineChars - 1);
  {
    platform::ScopedProcess process(platform.processes);
    if (auto error = platform.processes.create_process(
            command, platform::kCreateNoWindow | platform::kCreatePreserveCodeAuthzLevel,
            process.receive())) {
      dialog.log().Write(u"step3", u"run " + Quoted(command), u"not started, " + ErrorResult(error));
      return false;
    }
    platform.processes.wait(process.get(), platform::kInfinite);
    // The driver installer's verdict is not used: the queue creation below
    // fails when the driver is missing. Administrators still want it.
    std::uint32_t exit_code = 0;
    const platform::Win32Error read = platform.processes.get_exit_code(process.get(), &exit_code);
    dialog.log().Write(u"step3", u"run " + Quoted(command), ExitResult(read, exit_code));
  }
  platform::NewPrinter printer{std::u16string(modelName), std::u16string(portName),
                               std::u16string(modelName), u"WinPrint", u"RAW"};
  platform::ScopedPrinter queue(platform.spooler);
  const platform::Win32Error added = platform.print_server.add_printer(printer, queue.receive());
  dialog.log().Write(u"step3", u"add-printer " + Quoted(modelName), ErrorResult(added));
  return added == kErrorSuccess;
}

}  // namespace pelmora
