// Processes, services and threads over the system's own calls: the twins of
// platform_sim/sim_processes.h, sim_services.h and sim_threads.h, implemented
// as they are in win32_processes.cpp, win32_services.cpp and
// win32_threads.cpp.
#pragma once

#include "platform/processes.h"
#include "platform/services.h"
#include "platform/threads.h"

namespace platform_win32 {

class Win32Threads : public platform::Threads {
 public:
  platform::Win32Error start(std::function<void()> body, platform::ThreadHandle* thread) override;
  void close(platform::ThreadHandle thread) override;
};

class Win32Processes : public platform::Processes {
 public:
  platform::Win32Error enum_processes(std::size_t max_ids,
                                      std::vector<std::uint32_t>* ids) override;
  platform::Win32Error open_process(std::uint32_t access, std::uint32_t process_id,
                                    platform::ProcessHandle* process) override;
  platform::Win32Error first_module_base_name(platform::ProcessHandle process,
                                              std::u16string* name) override;
  platform::Win32Error get_exit_code(platform::ProcessHandle process,
                                     std::uint32_t* exit_code) override;
  platform::Win32Error terminate(platform::ProcessHandle process, std::uint32_t exit_code) override;
  platform::Win32Error wait(platform::ProcessHandle process, std::uint32_t timeout_ms) override;
  platform::Win32Error create_process(std::u16string_view command_line,
                                      std::uint32_t creation_flags,
                                      platform::ProcessHandle* process) override;
  platform::Win32Error shell_execute_runas(std::u16string_view file, std::u16string_view parameters,
                                           std::u16string_view directory,
                                           platform::ProcessHandle* process) override;
  platform::Win32Error close(platform::ProcessHandle process) override;
  void exit_current_process(std::uint32_t exit_code) override;
  std::uint32_t current_process_id() override;
  platform::Win32Error hold_named_mutex(std::u16string_view name) override;
};

class Win32Services : public platform::Services {
 public:
  platform::Win32Error open_manager(std::uint32_t access,
                                    platform::ServiceHandle* manager) override;
  platform::Win32Error open_service(platform::ServiceHandle manager, std::u16string_view name,
                                    std::uint32_t access,
                                    platform::ServiceHandle* service) override;
  platform::Win32Error stop(platform::ServiceHandle service) override;
  platform::Win32Error start(platform::ServiceHandle service) override;
  platform::Win32Error query_state(platform::ServiceHandle service, std::uint32_t* state) override;
  platform::Win32Error close(platform::ServiceHandle handle) override;
};

}  // namespace platform_win32
