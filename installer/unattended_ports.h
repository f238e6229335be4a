// The ports an unattended run wraps around the system's: what the language
// search sees, the desktop (no message box, the worker's signal reaches the
// headless host), the processes (the worker's ending of the process and a
// started program that was ended carry the run's code) and the print
// server (whether the network port and queue were made). Only
// unattended.cpp includes this.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "exit_codes.h"
#include "platform/platform.h"
#include "unattended.h"

namespace pelmora {

// A message box nobody sees is answered as a user who cannot answer would:
// OK where OK is the only button (MB_OK), else the safe choice, Cancel.
inline int AnswerUnseen(std::uint32_t flags) {
  return (flags & 0xF) == platform::kMbOk ? platform::kIdOk : platform::kIdCancel;
}

struct UnattendedRun::Ports {
  // The language search sees only the language words of the command line.
  class QuietSystem : public platform::SystemInfo {
   public:
    QuietSystem(platform::SystemInfo& real, std::u16string arguments)
        : real_(real), arguments_(std::move(arguments)) {}
    platform::Win32Error get_version(platform::WindowsVersion* version) override {
      return real_.get_version(version);
    }
    bool is_wow64() override { return real_.is_wow64(); }
    bool is_64bit_process() override { return real_.is_64bit_process(); }
    std::u16string module_file_name() override { return real_.module_file_name(); }
    std::u16string error_message(platform::Win32Error code) override {
      return real_.error_message(code);
    }
    std::u16string argument_text() override { return arguments_; }
    std::uint32_t session_id() override { return real_.session_id(); }
    platform::Win32Error is_local_system(bool* system) override {
      return real_.is_local_system(system);
    }
    platform::Win32Error window_station_visible(bool* visible) override {
      return real_.window_station_visible(visible);
    }

   private:
    platform::SystemInfo& real_;
    std::u16string arguments_;
  };

  // No message box ever opens; the worker's signal to the wizard's window
  // reaches the headless host.
  class QuietDesktop : public platform::Desktop {
   public:
    QuietDesktop(platform::Desktop& real, UnattendedRun& run) : real_(real), run_(run) {}
    platform::WindowRef find_window_by_class(std::u16string_view name) override {
      return real_.find_window_by_class(name);
    }
    platform::WindowRef find_window_by_title(std::u16string_view title) override {
      return real_.find_window_by_title(title);
    }
    bool post_message(platform::WindowRef window, std::uint32_t message) override {
      return real_.post_message(window, message);
    }
    void send_message(platform::WindowRef window, std::uint32_t message) override {
      real_.send_message(window, message);
    }
    bool enable_control(platform::WindowRef dialog, int control, bool enabled) override {
      if (run_.host_ && dialog == run_.host_->window_ref()) {
        run_.host_->enable(control, enabled);
        return true;
      }
      return real_.enable_control(dialog, control, enabled);
    }
    int message_box(std::u16string_view text, std::u16string_view caption,
                    std::uint32_t flags) override {
      run_.LogMessageBox(text, caption);
      return AnswerUnseen(flags);
    }

   private:
    platform::Desktop& real_;
    UnattendedRun& run_;
  };

  // The pre-install worker ends the process after its failure; the run's
  // last line and exit code say so.
  class QuietProcesses : public platform::Processes {
   public:
    QuietProcesses(platform::Processes& real, UnattendedRun& run) : real_(real), run_(run) {}
    platform::Win32Error enum_processes(std::size_t max_ids,
                                        std::vector<std::uint32_t>* ids) override {
      return real_.enum_processes(max_ids, ids);
    }
    platform::Win32Error open_process(std::uint32_t access, std::uint32_t id,
                                      platform::ProcessHandle* process) override {
      return real_.open_process(access, id, process);
    }
    platform::Win32Error first_module_base_name(platform::ProcessHandle process,
                                                std::u16string* name) override {
      return real_.first_module_base_name(process, name);
    }
    platform::Win32Error get_exit_code(platform::ProcessHandle process,
                                       std::uint32_t* code) override {
      return real_.get_exit_code(process, code);
    }
    platform::Win32Error terminate(platform::ProcessHandle process, std::uint32_t code) override {
      return real_.terminate(process, code);
    }
    platform::Win32Error wait(platform::ProcessHandle process, std::uint32_t timeout) override {
      const platform::Win32Error result = real_.wait(process, timeout);
      // A child that outlived its limit: the step that started it ended it
      // and failed, and the run ends with kExitChildTimeout.
      if (result == platform::kWaitTimeout && timeout != 0) child_timed_out = true;
      return result;
    }
    platform::Win32Error create_process(std::u16string_view command_line, std::uint32_t flags,
                                        platform::ProcessHandle* process) override {
      return real_.create_process(command_line, flags, process);
    }
    platform::Win32Error shell_execute_runas(std::u16string_view file,
                                             std::u16string_view parameters,
                                             std::u16string_view directory,
                                             platform::ProcessHandle* process) override {
      return real_.shell_execute_runas(file, parameters, directory, process);
    }
    platform::Win32Error close(platform::ProcessHandle process) override {
      return real_.close(process);
    }
    std::uint32_t current_process_id() override { return real_.current_process_id(); }
    platform::Win32Error hold_named_mutex(std::u16string_view name) override {
      return real_.hold_named_mutex(name);
    }
    void exit_current_process(std::uint32_t) override {
      // (A pre-install tool that was ended makes it kExitChildTimeout.)
      const std::uint32_t code =
          run_.Finish(kExitPreinstallFailed, u"the driver package could not be pre-installed");
      exited = true;
      real_.exit_current_process(code);
    }
    std::atomic<bool> exited{false};
    std::atomic<bool> child_timed_out{false};

   private:
    platform::Processes& real_;
    UnattendedRun& run_;
  };

  // Whether the network installation made its port and its queue.
  class QuietPrintServer : public platform::PrintServer {
   public:
    explicit QuietPrintServer(platform::PrintServer& real) : real_(real) {}
    platform::Win32Error open_print_server(platform::PrinterHandle* handle) override {
      return real_.open_print_server(handle);
    }
    platform::Win32Error enum_forms(platform::PrinterHandle server, std::size_t bytes,
                                    std::vector<platform::FormInfo1>* forms) override {
      return real_.enum_forms(server, bytes, forms);
    }
    platform::Win32Error add_form(platform::PrinterHandle server,
                                  const platform::FormInfo1& form) override {
      return real_.add_form(server, form);
    }
    platform::Win32Error delete_form(platform::PrinterHandle server,
                                     std::u16string_view name) override {
      return real_.delete_form(server, name);
    }
    platform::Win32Error delete_port(std::u16string_view name) override {
      return real_.delete_port(name);
    }
    platform::Win32Error open_xcv_monitor(std::u16string_view monitor, std::uint32_t access,
                                          platform::PrinterHandle* handle) override {
      return real_.open_xcv_monitor(monitor, access, handle);
    }
    platform::Win32Error xcv_data(platform::PrinterHandle xcv, std::u16string_view command,
                                  const void* input, std::uint32_t input_bytes,
                                  std::uint32_t output_capacity, std::uint32_t* needed,
                                  std::uint32_t* status) override {
      const platform::Win32Error error =
          real_.xcv_data(xcv, command, input, input_bytes, output_capacity, needed, status);
      if (command == u"AddPort" && error == platform::kErrorSuccess) port_added = true;
      return error;
    }
    platform::Win32Error add_printer(const platform::NewPrinter& printer,
                                     platform::PrinterHandle* handle) override {
      const platform::Win32Error error = real_.add_printer(printer, handle);
      if (error == platform::kErrorSuccess) queue_added = true;
      return error;
    }
    bool port_added = false;
    bool queue_added = false;

   private:
    platform::PrintServer& real_;
  };

  Ports(platform::Platform& s, UnattendedRun& run)
      : system(s.system, run.switches_.languageText),
        desktop(s.desktop, run),
        processes(s.processes, run),
        print_server(s.print_server),
        platform{s.registry,    system,       s.shell,     s.spooler,
                 s.devices,     desktop,      s.clock,     processes,
                 s.services,    s.setup_api,  s.device_io, s.device_interfaces,
                 s.smart_cards, print_server, s.threads,   s.sockets} {}

  QuietSystem system;
  QuietDesktop desktop;
  QuietProcesses processes;
  QuietPrintServer print_server;
  platform::Platform platform;
};

}  // namespace pelmora
