// The simulated print server: forms, the Standard TCP/IP port monitor's
// ports, and new queues.
#include <cstring>

#include "platform/util/text.h"
#include "platform_sim/sim_spooler.h"

namespace platform::sim {

namespace {

constexpr char16_t kTcpMonitor[] = u"Standard TCP/IP Port";
constexpr Win32Error kErrorUnknownPrintProcessor = 1798;
constexpr Win32Error kErrorBusy = 170;

std::u16string field_text(const char16_t* field, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && field[n] != 0) ++n;
  return std::u16string(field, n);
}

}  // namespace

Win32Error SimSpooler::check_handle(PrinterHandle handle, Handle::Kind kind) const {
  auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.kind != kind) return kErrorInvalidHandle;
  return kErrorSuccess;
}

Win32Error SimSpooler::open_print_server(PrinterHandle* handle) {
  *handle = 0;
  if (auto e = faults_.check("OpenPrinterW", u"(server)")) return e;
  if (auto e = unavailable()) return e;
  std::lock_guard lock(mutex_);
  const PrinterHandle h = next_handle_++;
  handles_[h] = {u"", kPrinterAccessUse, Handle::Kind::Server};
  *handle = h;
  return kErrorSuccess;
}

Win32Error SimSpooler::enum_forms(PrinterHandle server, std::size_t buffer_bytes,
                                  std::vector<FormInfo1>* forms) {
  forms->clear();
  if (auto e = faults_.check("EnumFormsW")) return e;
  std::lock_guard lock(mutex_);
  if (auto e = check_handle(server, Handle::Kind::Server)) return e;
  std::size_t needed = 0;
  for (const auto& form : forms_) needed += form_bytes(form);
  if (needed > buffer_bytes) return kErrorInsufficientBuffer;
  *forms = forms_;
  return kErrorSuccess;
}

Win32Error SimSpooler::add_form(PrinterHandle server, const FormInfo1& form) {
  if (auto e = faults_.check("AddFormW", form.name)) return e;
  std::lock_guard lock(mutex_);
  if (auto e = check_handle(server, Handle::Kind::Server)) return e;
  if (form.name.empty() || form.width <= 0 || form.height <= 0) return kErrorInvalidParameter;
  for (const auto& f : forms_)
    if (equals_ignore_ascii_case(f.name, form.name)) return kErrorFileExists;
  FormInfo1 added = form;
  // A form added by a program is the program's, whatever flag it asked for
  // (FORM_PRINTER is kept, FORM_BUILTIN is not granted).
  if (added.flags == kFormBuiltin) added.flags = kFormUser;
  forms_.push_back(std::move(added));
  return kErrorSuccess;
}

Win32Error SimSpooler::delete_form(PrinterHandle server, std::u16string_view name) {
  if (auto e = faults_.check("DeleteFormW", name)) return e;
  std::lock_guard lock(mutex_);
  if (auto e = check_handle(server, Handle::Kind::Server)) return e;
  for (auto it = forms_.begin(); it != forms_.end(); ++it) {
    if (!equals_ignore_ascii_case(it->name, name)) continue;
    if (it->flags == kFormBuiltin) return kErrorInvalidParameter;
    forms_.erase(it);
    return kErrorSuccess;
  }
  return kErrorInvalidFormName;
}

Win32Error SimSpooler::delete_port(std::u16string_view name) {
  if (auto e = faults_.check("DeletePortW", name)) return e;
  if (auto e = unavailable()) return e;
  std::lock_guard lock(mutex_);
  // A port a queue prints to stays.
  for (const auto& queue : queues_)
    if (equals_ignore_ascii_case(queue.port_name, name)) return kErrorBusy;
  for (auto it = tcp_ports_.begin(); it != tcp_ports_.end(); ++it) {
    if (equals_ignore_ascii_case(field_text(it->record.sztPortName, 64), name)) {
      tcp_ports_.erase(it);
      return kErrorSuccess;
    }
  }
  return kErrorUnknownPort;
}

Win32Error SimSpooler::open_xcv_monitor(std::u16string_view monitor, std::uint32_t access,
                                        PrinterHandle* handle) {
  *handle = 0;
  if (auto e = faults_.check("OpenPrinterW", u",XcvMonitor " + std::u16string(monitor))) return e;
  if (auto e = unavailable()) return e;
  if (!tcp_monitor_installed || !equals_ignore_ascii_case(monitor, kTcpMonitor))
    return kErrorUnknownPort;
  std::lock_guard lock(mutex_);
  const PrinterHandle h = next_handle_++;
  handles_[h] = {std::u16string(monitor), access, Handle::Kind::Xcv};
  *handle = h;
  return kErrorSuccess;
}

Win32Error SimSpooler::xcv_data(PrinterHandle xcv, std::u16string_view command, const void* input,
                                std::uint32_t input_bytes, std::uint32_t output_capacity,
                                std::uint32_t* needed, std::uint32_t* status) {
  *needed = 0;
  *status = kErrorSuccess;
  if (auto e = faults_.check("XcvDataW", command)) return e;
  std::lock_guard lock(mutex_);
  if (auto e = check_handle(xcv, Handle::Kind::Xcv)) return e;
  if (command != u"AddPort") {
    *status = kErrorInvalidParameter;
    return kErrorSuccess;
  }
  if ((handles_[xcv].access & kServerAccessAdminister) == 0) return kErrorAccessDenied;
  (void)output_capacity;
  PortData1 record{};
  if (input == nullptr || input_bytes != sizeof(PortData1)) {
    *status = kErrorInvalidParameter;
    return kErrorSuccess;
  }
  std::memcpy(&record, input, sizeof record);
  const std::u16string name = field_text(record.sztPortName, 64);
  if (record.dwVersion != kPortDataVersion1 || record.cbSize != sizeof(PortData1) || name.empty() ||
      field_text(record.sztHostAddress, 49).empty()) {
    *status = kErrorInvalidParameter;
    return kErrorSuccess;
  }
  for (const auto& port : tcp_ports_) {
    if (equals_ignore_ascii_case(field_text(port.record.sztPortName, 64), name)) {
      // The monitor answers in its status, the call itself succeeds.
      *status = kErrorAlreadyExists;
      return kErrorSuccess;
    }
  }
  tcp_ports_.push_back({record});
  return kErrorSuccess;
}

Win32Error SimSpooler::add_printer(const NewPrinter& printer, PrinterHandle* handle) {
  *handle = 0;
  if (auto e = faults_.check("AddPrinterW", printer.printer_name)) return e;
  if (auto e = unavailable()) return e;
  if (printer.printer_name.empty() || printer.port_name.empty()) return kErrorInvalidParameter;
  if (!printer.data_type.empty() && !known_data_type_name(printer.data_type))
    return kErrorInvalidDatatype;
  if (!equals_ignore_ascii_case(printer.print_processor, u"WinPrint"))
    return kErrorUnknownPrintProcessor;
  // The queue prints through the server's own driver: a 32-bit caller's
  // x86 driver on 64-bit Windows is only there for point-and-print clients.
  if (!has_driver_in(printer.driver_name, own_environment())) return kErrorUnknownPrinterDriver;
  if (has_queue(printer.printer_name)) return kErrorPrinterAlreadyExists;
  if (!has_port(printer.port_name)) return kErrorUnknownPort;
  // Without a data type the print processor's default is taken.
  add_queue({printer.printer_name, printer.port_name, printer.driver_name, 0, 0,
             printer.print_processor, printer.data_type.empty() ? u"RAW" : printer.data_type});
  std::lock_guard lock(mutex_);
  const PrinterHandle h = next_handle_++;
  handles_[h] = {printer.printer_name, kPrinterAllAccess, Handle::Kind::Queue};
  *handle = h;
  return kErrorSuccess;
}

std::vector<FormInfo1> SimSpooler::forms() const {
  std::lock_guard lock(mutex_);
  return forms_;
}

void SimSpooler::set_forms(std::vector<FormInfo1> forms) {
  std::lock_guard lock(mutex_);
  forms_ = std::move(forms);
}

std::vector<SimSpooler::TcpPort> SimSpooler::tcp_ports() const {
  std::lock_guard lock(mutex_);
  return tcp_ports_;
}

bool SimSpooler::has_port(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto& port : tcp_ports_)
    if (equals_ignore_ascii_case(field_text(port.record.sztPortName, 64), name)) return true;
  for (const auto& port : local_ports_)
    if (equals_ignore_ascii_case(port, name)) return true;
  return false;
}

void SimSpooler::add_local_port(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  local_ports_.emplace_back(name);
}

}  // namespace platform::sim
