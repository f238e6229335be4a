// An in-memory print spooler. Queues keep their driver data where Windows
// keeps it, under the queue's PrinterDriverData key in the (simulated)
// registry, so the registry and GetPrinterDataW see the same values.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/port_data.h"
#include "platform/print_server.h"
#include "platform/spooler.h"
#include "platform_sim/faults.h"
#include "platform_sim/sim_registry.h"
#include "platform_sim/sim_system.h"

namespace platform::sim {

// Whether the spooler's own print processor takes this data type.
bool known_data_type_name(std::u16string_view type);

inline constexpr char16_t kPrintersKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

class SimSpooler : public Spooler, public PrintServer {
 public:
  SimSpooler(Faults& faults, SimRegistry& registry);

  Win32Error enum_local_printers(std::vector<PrinterInfo2>* printers) override;
  Win32Error open_printer(std::u16string_view name, const PrinterDefaults* defaults,
                          PrinterHandle* handle) override;
  Win32Error close_printer(PrinterHandle handle) override;
  Win32Error get_printer_data(PrinterHandle handle, std::u16string_view value_name,
                              std::size_t max_bytes, PrinterDataValue* value) override;
  Win32Error get_printer_driver(PrinterHandle handle, std::uint32_t level,
                                std::size_t buffer_bytes) override;
  Win32Error purge_printer(PrinterHandle handle) override;
  Win32Error delete_printer(PrinterHandle handle) override;
  Win32Error enum_printer_drivers(std::vector<std::u16string>* names) override;
  Win32Error delete_printer_driver(std::u16string_view name, std::uint32_t delete_flags,
                                   std::uint32_t version) override;
  Win32Error get_printer(PrinterHandle handle, PrinterInfo2* info) override;
  Win32Error get_printer_driver_native(PrinterHandle handle, std::uint32_t level,
                                       std::size_t buffer_bytes) override;
  Win32Error get_server_environment(std::u16string* environment) override;
  Win32Error enum_printer_drivers_in(std::u16string_view environment,
                                     std::vector<std::u16string>* names) override;
  Win32Error delete_printer_driver_in(std::u16string_view environment, std::u16string_view name,
                                      std::uint32_t delete_flags, std::uint32_t version) override;

  // PrintServer (sim_print_server.cpp).
  Win32Error open_print_server(PrinterHandle* handle) override;
  Win32Error enum_forms(PrinterHandle server, std::size_t buffer_bytes,
                        std::vector<FormInfo1>* forms) override;
  Win32Error add_form(PrinterHandle server, const FormInfo1& form) override;
  Win32Error delete_form(PrinterHandle server, std::u16string_view name) override;
  Win32Error delete_port(std::u16string_view name) override;
  Win32Error open_xcv_monitor(std::u16string_view monitor, std::uint32_t access,
                              PrinterHandle* handle) override;
  Win32Error xcv_data(PrinterHandle xcv, std::u16string_view command, const void* input,
                      std::uint32_t input_bytes, std::uint32_t output_capacity,
                      std::uint32_t* needed, std::uint32_t* status) override;
  Win32Error add_printer(const NewPrinter& printer, PrinterHandle* handle) override;

  // The forms in the spooler's order. A new spooler holds a few built-in
  // forms (Letter, A4, A6), which cannot be deleted.
  std::vector<FormInfo1> forms() const;
  void set_forms(std::vector<FormInfo1> forms);
  // The ports the Standard TCP/IP monitor was given, with the record it got.
  struct TcpPort {
    PortData1 record;
  };
  std::vector<TcpPort> tcp_ports() const;
  bool has_port(std::u16string_view name) const;
  // Ports other monitors own ("USB001", "LPT1:").
  void add_local_port(std::u16string_view name);
  // Whether the Standard TCP/IP monitor is installed (Wine has none).
  bool tcp_monitor_installed = true;

  // Whether the Spooler service runs: while it does not, every call fails
  // with RPC_S_SERVER_UNAVAILABLE, as winspool's do. Set by the simulated
  // Windows to ask its service manager.
  std::function<bool()> service_running;
  // The caller's default environment: "Windows NT x86" for a 32-bit
  // program, "Windows x64" for a 64-bit one.
  std::function<std::u16string()> default_environment;
  // The print server's own environment: "Windows x64" on 64-bit Windows,
  // whatever the caller.
  std::function<std::u16string()> server_environment;
  // The file system that holds the drivers' files (under
  // system32\spool\drivers\<W32X86 or x64>\<version>); none: files are
  // not tracked.
  SimShell* files = nullptr;

  // A driver belongs to one environment and version; its files are names in
  // that environment's version folder, and several drivers may share one.
  struct Driver {
    std::u16string name;
    std::u16string environment;
    std::uint32_t version = 3;
    std::vector<std::u16string> files;
  };
  // The spooler has the file loaded (a port monitor, the driver of a queue
  // that printed): while its service runs, or is stopping, the file is in
  // use as a process's image is. DeletePrinterDriverExW sets such a file
  // of a driver aside, into "Old\1" of the driver's version folder, and
  // has it deleted at the restart.
  void load_file(std::u16string_view path);
  // `key` as SimShell::full_path gives it.
  bool has_loaded(const std::u16string& key) const;
  // Windows starts again: nothing is loaded.
  void unload_all();
  // AddPrinterDriverExW: the files are put into the driver folder.
  void add_driver(std::u16string_view name, std::u16string_view environment,
                  std::uint32_t version = 3, std::vector<std::u16string> files = {});
  std::vector<Driver> drivers() const;
  // In any environment; or in the named one.
  bool has_driver(std::u16string_view name) const;
  bool has_driver_in(std::u16string_view name, std::u16string_view environment) const;
  // The full path of a driver file of an environment and version.
  std::u16string driver_file_path(std::u16string_view environment, std::uint32_t version,
                                  std::u16string_view file) const;
  // Jobs purged from a queue so far (by queue name).
  int purges(std::u16string_view queue) const;
  // Jobs waiting in a queue. A queue deleted while it holds jobs stays,
  // pending deletion, until its jobs are gone and its last handle closed; a
  // paused queue with jobs cannot be deleted at all (ERROR_ACCESS_DENIED).
  void set_jobs(std::u16string_view queue, int jobs);
  int jobs(std::u16string_view queue) const;

  // Test set-up and inspection.
  void add_queue(const PrinterInfo2& info);
  bool remove_queue(std::u16string_view name);
  bool has_queue(std::u16string_view name) const;
  std::vector<PrinterInfo2> queues() const;
  // PRINTER_INFO_2 attributes of a queue (work offline); false when there is
  // no such queue.
  bool set_attributes(std::u16string_view name, std::uint32_t attributes);
  void set_driver_data(std::u16string_view queue, std::u16string_view value_name,
                       std::uint32_t type, std::vector<std::uint8_t> data);
  void set_driver_dword(std::u16string_view queue, std::u16string_view value_name,
                        std::uint32_t value);
  void set_driver_string(std::u16string_view queue, std::u16string_view value_name,
                         std::u16string_view text);
  std::size_t open_handles() const;
  std::u16string driver_data_key(std::u16string_view queue) const;

 private:
  Faults& faults_;
  SimRegistry& registry_;
  mutable std::mutex mutex_;
  struct Handle {
    std::u16string queue;
    std::uint32_t access;
    enum class Kind { Queue, Server, Xcv } kind = Kind::Queue;
  };
  Win32Error check_handle(PrinterHandle handle, Handle::Kind kind) const;
  Win32Error queue_driver_in(PrinterHandle handle, std::uint32_t level, std::size_t buffer_bytes,
                             const std::u16string& environment);
  Win32Error unavailable() const;
  std::u16string environment() const;
  std::u16string own_environment() const;
  // The environment a call names: the caller's default for an empty name;
  // false for a name the spooler does not know.
  bool resolve_environment(std::u16string_view requested, std::u16string* environment) const;
  // Whether a queue pending deletion has nothing left that holds it (no
  // jobs, no handle). Called locked.
  bool deletion_done(const std::u16string& queue) const;
  std::u16string stored_queue_name(std::u16string_view name) const;

  std::vector<PrinterInfo2> queues_;
  std::vector<Driver> drivers_;
  std::set<std::u16string> loaded_;  // SimShell::full_path keys
  std::map<std::u16string, int> purges_;
  std::map<std::u16string, int> jobs_;
  std::map<PrinterHandle, Handle> handles_;
  PrinterHandle next_handle_ = 0x2000;
  // Bytes GetPrinterDriverW needs at level 6 (a smaller buffer fails with 122).
  std::size_t driver_info_size_ = 1024;
  std::vector<FormInfo1> forms_;
  std::vector<TcpPort> tcp_ports_;
  std::vector<std::u16string> local_ports_;
};

}  // namespace platform::sim
