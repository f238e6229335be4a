#include "operations/child_process.h"

#include "exit_codes.h"
#include "platform/util/format.h"

namespace pelmora {

bool WaitForChild(platform::Processes& processes, platform::ProcessHandle process,
                  std::uint32_t limit_ms, InstallLog& log, std::u16string_view area,
                  std::u16string_view command) {
  if (processes.wait(process, limit_ms) != platform::kWaitTimeout) return true;
  log.NoteProgramEnded();
  const platform::Win32Error ended = processes.terminate(process, kExitChildTimeout);
  if (ended == platform::kErrorSuccess) processes.wait(process, kEndedChildLimitMs);
  log.Write(area, u"run " + Quoted(command),
            platform::format(u"did not end within %u s; ended: %s",
                             {limit_ms / 1000, ErrorResult(ended)}));
  return false;
}

}  // namespace pelmora
