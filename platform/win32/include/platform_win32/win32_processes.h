// Processes over the system's own calls: the twin of
// platform_sim/sim_processes.h, implemented in win32_processes.cpp.
#pragma once

#include "platform/processes.h"

namespace platform_win32 {

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

}  // namespace platform_win32
