// One contract for the process and service ports: the simulated ones on every
// build, the real ones (kernel32, psapi, advapi32) in the Windows build, run
// under Wine here. The real side starts this very program again as the
// process to find, end and wait for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "support/contract.h"
#ifdef _WIN32
#include "platform_win32/win32_processes.h"
#include "platform_win32/win32_services.h"
#include "platform_win32/win32_system.h"
#include "platform_win32/windows_api.h"
#endif

namespace {

using namespace platform;

constexpr char kSleeperSwitch[] = "--contract-sleeper";

struct SimulatedProcesses {
  sim::SimWindows windows;
  Processes& processes() { return windows.processes; }
  Services& services() { return windows.services; }
  Clock& clock() { return windows.clock; }
  // A running service that depends on `service`, to be stopped first.
  bool add_running_dependent(std::u16string_view name, std::u16string_view service) {
    windows.services.add_service(name, true, {std::u16string(service)});
    return true;
  }
  // The simulated spooler takes its stop time to stop, every time.
  static constexpr bool kStopIsSeen = true;
  // A long-running process and its id; the sim's programs are records.
  std::uint32_t start_sleeper(ProcessHandle* handle) {
    *handle = 0;
    return windows.processes.add_process(u"contract_sleeper.exe");
  }
  std::u16string sleeper_module() { return u"contract_sleeper.exe"; }
  // A process of this session that made the mutex `name` and holds it.
  std::uint32_t start_mutex_holder(std::u16string_view name, ProcessHandle* handle) {
    const std::uint32_t id = start_sleeper(handle);
    windows.processes.hold_mutex_of(id, windows.system.session, name);
    return id;
  }
  static bool under_wine() { return false; }
  // A program that ends with exit code 7.
  std::u16string exit_seven_command() {
    plant_exit_seven(u"C:\\Windows\\system32\\cmd.exe");
    return u"cmd.exe /c exit 7";
  }
  // A program file at `path` that ends with exit code 7 when started with
  // "/c exit 7" anywhere on its command line.
  void plant_exit_seven(const std::u16string& path) {
    windows.shell.put_file(path, "MZ");
    const std::u16string name = path.substr(path.rfind(u'\\') + 1);
    windows.processes.install_program(name.substr(0, name.rfind(u'.')),
                                      [](std::u16string_view) { return 7u; });
  }
  void remove_planted(const std::u16string& path) { windows.shell.remove_file(path); }
};

#ifdef _WIN32
struct RealProcesses {
  platform_win32::Win32Processes process_port;
  platform_win32::Win32Services service_port;
  platform_win32::Win32Clock clock_port;
  Processes& processes() { return process_port; }
  Services& services() { return service_port; }
  Clock& clock() { return clock_port; }
  // This machine has no service of its own that depends on the spooler,
  // and the test installs none.
  static bool add_running_dependent(std::u16string_view, std::u16string_view) { return false; }
  // A real spooler may have stopped before the second request comes.
  static constexpr bool kStopIsSeen = false;
  static std::u16string own_path() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return platform_win32::from_wide(path);
  }
  std::uint32_t start_sleeper(ProcessHandle* handle, std::u16string_view mutex_name = {}) {
    std::u16string line;
    line.append(u"\"").append(own_path()).append(u"\" ").append(to_utf16(kSleeperSwitch));
    if (!mutex_name.empty()) line.append(u" ").append(mutex_name);
    if (process_port.create_process(line, kCreateNoWindow, handle) != kErrorSuccess) return 0;
    // Its modules can be listed once the loader has run.
    Sleep(500);
    return GetProcessId(reinterpret_cast<HANDLE>(*handle));
  }
  std::uint32_t start_mutex_holder(std::u16string_view name, ProcessHandle* handle) {
    const std::uint32_t id = start_sleeper(handle, name);
    // The holder takes the name some time after it started: on a loaded
    // machine later than the loader's half second. Waited for, up to 30 s.
    const std::u16string zero_ended(name);
    for (int tries = 0; id != 0 && tries < 600; ++tries) {
      if (HANDLE taken = OpenMutexW(SYNCHRONIZE, FALSE,
                                    reinterpret_cast<const wchar_t*>(zero_ended.c_str()))) {
        CloseHandle(taken);
        break;
      }
      Sleep(50);
    }
    return id;
  }
  std::u16string sleeper_module() {
    const std::u16string path = own_path();
    return path.substr(path.find_last_of(u'\\') + 1);
  }
  std::u16string exit_seven_command() { return u"cmd.exe /c exit 7"; }
  // A copy of the command interpreter: it finds its "/c" behind the rest of
  // the unquoted path and ends with "exit 7".
  void plant_exit_seven(const std::u16string& path) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    CopyFileW(cmd.c_str(), reinterpret_cast<const wchar_t*>(path.c_str()), FALSE);
  }
  void remove_planted(const std::u16string& path) {
    DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));
  }
  static bool under_wine() { return test_support::RunningUnderWine(); }
};
#endif

template <typename Under>
class ProcessContract : public ::testing::Test {
 protected:
  // Starts a command line hidden, waits for its end and gives its exit code.
  std::uint32_t exit_code_of(std::u16string_view command_line) {
    Processes& processes = under_.processes();
    ScopedProcess process(processes);
    std::uint32_t code = 0xFFFFFFFFu;
    EXPECT_EQ(kErrorSuccess, processes.create_process(
                                 command_line, kCreateNoWindow | kCreatePreserveCodeAuthzLevel,
                                 process.receive()));
    if (!process) return code;
    EXPECT_EQ(kErrorSuccess, processes.wait(process.get(), 30000));
    EXPECT_EQ(kErrorSuccess, processes.get_exit_code(process.get(), &code));
    return code;
  }
  Under under_;
};

using ProcessImplementations = PELMORA_CONTRACT_TYPES(SimulatedProcesses, RealProcesses);
TYPED_TEST_SUITE(ProcessContract, ProcessImplementations,
                 test_support::ContractNames<SimulatedProcesses>);

TYPED_TEST(ProcessContract, StartedProgramsEndWithTheirExitCode) {
  Processes& processes = this->under_.processes();
  EXPECT_EQ(7u, this->exit_code_of(this->under_.exit_seven_command()));

  // A program that is not there starts nothing: in a folder that is there,
  // and in one that is not.
  ProcessHandle missing = 0x1234;
  EXPECT_EQ(kErrorFileNotFound,
            processes.create_process(u"C:\\Windows\\NoSuchProgram /u \"x.inf\"", 0, &missing));
  EXPECT_EQ(0u, missing);
  EXPECT_EQ(kErrorFileNotFound,
            processes.create_process(u"C:\\NoSuchFolder\\NoSuchProgram /u \"x.inf\"", 0, &missing));
}

TYPED_TEST(ProcessContract, AnUnquotedPathIsTriedUpToEachBlankAndAQuotedOneAsItStands) {
  // "C:\PelmoraContract Tool\missing.exe" unquoted: Windows tries
  // "C:\PelmoraContract.exe" first, and runs what it finds there.
  Processes& processes = this->under_.processes();
  const std::u16string planted = u"C:\\PelmoraContract.exe";
  this->under_.plant_exit_seven(planted);
  EXPECT_EQ(7u, this->exit_code_of(u"C:\\PelmoraContract Tool\\missing.exe /c exit 7"));
  ProcessHandle quoted = 0;
  EXPECT_EQ(kErrorFileNotFound,
            processes.create_process(u"\"C:\\PelmoraContract Tool\\missing.exe\" /c exit 7",
                                     kCreateNoWindow, &quoted));
  this->under_.remove_planted(planted);
}

TYPED_TEST(ProcessContract, ARunningProcessIsFoundByItsModuleEndedAndWaitedFor) {
  Processes& processes = this->under_.processes();
  ScopedProcess started(processes);
  const std::uint32_t id = this->under_.start_sleeper(started.receive());
  ASSERT_NE(0u, id);
  std::vector<std::uint32_t> ids;
  ASSERT_EQ(kErrorSuccess, processes.enum_processes(1024, &ids));
  EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end());

  // Reading its name needs query and read rights; ending it needs the right
  // to terminate.
  ScopedProcess query(processes);
  ASSERT_EQ(kErrorSuccess,
            processes.open_process(kProcessQueryInformation | kProcessVmRead, id, query.receive()));
  std::u16string name;
  ASSERT_EQ(kErrorSuccess, processes.first_module_base_name(query.get(), &name));
  EXPECT_EQ(this->under_.sleeper_module(), name);
  EXPECT_EQ(kErrorAccessDenied, processes.terminate(query.get(), 1));

  ScopedProcess full(processes);
  ASSERT_EQ(kErrorSuccess, processes.open_process(kProcessAllAccess, id, full.receive()));
  std::uint32_t code = 0;
  ASSERT_EQ(kErrorSuccess, processes.get_exit_code(full.get(), &code));
  EXPECT_EQ(kStillActive, code);
  ASSERT_EQ(kErrorSuccess, processes.terminate(full.get(), 42));
  ASSERT_EQ(kErrorSuccess, processes.wait(full.get(), kInfinite));
  ASSERT_EQ(kErrorSuccess, processes.get_exit_code(full.get(), &code));
  EXPECT_EQ(42u, code);

  // A process id that names nothing cannot be opened, and leaves no handle.
  ProcessHandle none = 0x1234;
  EXPECT_NE(kErrorSuccess, processes.open_process(kProcessAllAccess, 0x7FFFFFF0u, &none));
  EXPECT_EQ(0u, none);
}

TYPED_TEST(ProcessContract, ANamedMutexStaysTakenUntilItsProcessEnds) {
  Processes& processes = this->under_.processes();
  const std::u16string name =
      u"Global\\PelmoraContract." + to_utf16(std::to_string(processes.current_process_id()));
  EXPECT_EQ(kErrorSuccess, processes.hold_named_mutex(name));
  // Taken for every later caller, this process included.
  EXPECT_EQ(kErrorAlreadyExists, processes.hold_named_mutex(name));
  // Names are compared with their case.
  EXPECT_EQ(kErrorSuccess,
            processes.hold_named_mutex(u"Global\\pelmoraContract" + name.substr(name.find(u'.'))));

  const std::u16string held_elsewhere = name + u".Elsewhere";
  ScopedProcess holder(processes);
  const std::uint32_t id = this->under_.start_mutex_holder(held_elsewhere, holder.receive());
  ASSERT_NE(0u, id);
  EXPECT_NE(processes.current_process_id(), id);
  EXPECT_EQ(kErrorAlreadyExists, processes.hold_named_mutex(held_elsewhere));
  // Its holder's end frees the name.
  ScopedProcess full(processes);
  ASSERT_EQ(kErrorSuccess, processes.open_process(kProcessAllAccess, id, full.receive()));
  ASSERT_EQ(kErrorSuccess, processes.terminate(full.get(), 1));
  ASSERT_EQ(kErrorSuccess, processes.wait(full.get(), kInfinite));
  EXPECT_EQ(kErrorSuccess, processes.hold_named_mutex(held_elsewhere));
}

TYPED_TEST(ProcessContract, TheSpoolerServiceStopsAndStarts) {
  Services& services = this->under_.services();
  ScopedService manager(services);
  ASSERT_EQ(kErrorSuccess, services.open_manager(kScManagerAllAccess, manager.receive()));
  ServiceHandle missing = 0x1234;
  EXPECT_EQ(kErrorServiceDoesNotExist, services.open_service(manager.get(), u"PelmoraNoSuchService",
                                                             kServiceAllAccess, &missing));
  EXPECT_EQ(0u, missing);
  ScopedService spooler(services);
  ASSERT_EQ(kErrorSuccess,
            services.open_service(manager.get(), u"Spooler", kServiceAllAccess, spooler.receive()));
  // Wine's spooler is stopped until something starts it; Windows' runs.
  const Win32Error first = services.start(spooler.get());
  if (first == kErrorServiceRequestTimeout && this->under_.under_wine()) {
    // Wine's spoolsv.exe does not report itself running within the service
    // manager's time here; the removal step ignores the start's result.
    return;
  }
  EXPECT_TRUE(first == kErrorSuccess || first == kErrorServiceAlreadyRunning) << first;

  // Not while a service that depends on it runs.
  ScopedService dependent(services);
  if (this->under_.add_running_dependent(u"PelmoraSpoolerUser", u"Spooler")) {
    ASSERT_EQ(kErrorSuccess, services.open_service(manager.get(), u"PelmoraSpoolerUser",
                                                   kServiceAllAccess, dependent.receive()));
    EXPECT_EQ(kErrorDependentServicesRunning, services.stop(spooler.get()));
    ASSERT_EQ(kErrorSuccess, services.stop(dependent.get()));
    // Nor while the dependent is still stopping.
    EXPECT_EQ(kErrorDependentServicesRunning, services.stop(spooler.get()));
    for (int i = 0; i < 100 && services.stop(dependent.get()) != kErrorServiceNotActive; ++i)
      this->under_.clock().sleep(50);
  }

  std::uint32_t state = 0;
  ASSERT_EQ(kErrorSuccess, services.query_state(spooler.get(), &state));
  EXPECT_EQ(kServiceRunning, state);
  EXPECT_EQ(kErrorSuccess, services.stop(spooler.get()));
  ASSERT_EQ(kErrorSuccess, services.query_state(spooler.get(), &state));
  EXPECT_TRUE(state == kServiceStopPending || state == kServiceStopped) << state;
  // Stopping takes a moment: while it is stopping, another stop cannot be
  // taken, nor a start; once stopped, a stop is refused for that.
  Win32Error again = services.stop(spooler.get());
  int pending = 0;
  for (int i = 0; i < 100 && again == kErrorServiceCannotAcceptCtrl; ++i) {
    ++pending;
    // (A real spooler may be gone by the time the start comes.)
    if (i == 0 && TypeParam::kStopIsSeen) {
      EXPECT_EQ(kErrorServiceAlreadyRunning, services.start(spooler.get()));
    }
    this->under_.clock().sleep(50);
    again = services.stop(spooler.get());
  }
  EXPECT_EQ(kErrorServiceNotActive, again);
  if (TypeParam::kStopIsSeen) {
    EXPECT_GT(pending, 0);
  }
  ASSERT_EQ(kErrorSuccess, services.query_state(spooler.get(), &state));
  EXPECT_EQ(kServiceStopped, state);
  EXPECT_EQ(kErrorSuccess, services.start(spooler.get()));
  ASSERT_EQ(kErrorSuccess, services.query_state(spooler.get(), &state));
  EXPECT_TRUE(state == kServiceStartPending || state == kServiceRunning) << state;
  EXPECT_EQ(kErrorInvalidHandle, services.query_state(manager.get(), &state));
}

}  // namespace

// The real side runs this program a second time as the process to end.
int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == kSleeperSwitch) {
#ifdef _WIN32
      // With a name: the mutex a process holds until it ends.
      if (i + 1 < argc)
        CreateMutexW(nullptr, TRUE, platform_win32::to_wide(to_utf16(argv[i + 1])).c_str());
      Sleep(60000);
#endif
      return 0;
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
