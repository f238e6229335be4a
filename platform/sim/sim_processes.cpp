#include "platform_sim/sim_processes.h"

#include <iterator>
#include <string>

#include "platform/util/text.h"

namespace platform::sim {

namespace {

// The program files CreateProcessW tries for a command line without an
// application name, in its order: a quoted path alone; otherwise the text up
// to each blank in turn, so "C:\Program Files\Tool.exe /x" tries
// "C:\Program", then "C:\Program Files\Tool.exe", then the whole line.
std::vector<std::u16string> programs_of(std::u16string_view command_line) {
  if (!command_line.empty() && command_line.front() == u'"') {
    const auto end = command_line.find(u'"', 1);
    return {
        std::u16string(command_line.substr(1, end == std::u16string_view::npos ? end : end - 1))};
  }
  std::vector<std::u16string> candidates;
  for (std::size_t i = 1; i <= command_line.size(); ++i)
    if (i == command_line.size() || command_line[i] == u' ' || command_line[i] == u'\t')
      if (command_line[i - 1] != u' ' && command_line[i - 1] != u'\t')
        candidates.emplace_back(command_line.substr(0, i));
  return candidates;
}

std::u16string base_name(std::u16string_view path) {
  const auto slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool has_extension(std::u16string_view name) {
  return name.find(u'.') != std::u16string_view::npos;
}

}  // namespace

SimProcesses::SimProcesses(Faults& faults, SimShell& shell) : faults_(faults), shell_(shell) {
  // The system process is always there and can never be opened.
  add_process(u"System", false, true);
}

std::uint32_t SimProcesses::add_process(std::u16string_view module, bool restarts,
                                        bool protected_process) {
  std::lock_guard lock(mutex_);
  Process p;
  p.id = next_id_;
  next_id_ += 4;
  p.module = std::u16string(module);
  p.restarts = restarts;
  p.is_protected = protected_process;
  processes_.push_back(p);
  return p.id;
}

std::uint32_t SimProcesses::add_running_program(std::u16string_view image,
                                                std::vector<std::u16string> libraries) {
  std::lock_guard lock(mutex_);
  Process p;
  p.id = next_id_;
  next_id_ += 4;
  p.module = base_name(image);
  p.mapped.emplace_back(image);
  for (auto& library : libraries) p.mapped.push_back(std::move(library));
  for (const auto& file : p.mapped) shell_.map_image(file);
  processes_.push_back(std::move(p));
  return processes_.back().id;
}

void SimProcesses::end_locked(Process& p, std::uint32_t exit_code) {
  p.running = false;
  p.exit_code = exit_code;
  for (const auto& file : p.mapped) shell_.unmap_image(file);
  // Its handles close with it: a mutex nobody else has open is gone.
  for (auto m = mutexes_.begin(); m != mutexes_.end();)
    m = m->second == p.id ? mutexes_.erase(m) : std::next(m);
}

bool SimProcesses::end_process(std::uint32_t id, std::uint32_t exit_code) {
  std::lock_guard lock(mutex_);
  Process* p = find(id);
  if (!p || !p->running) return false;
  end_locked(*p, exit_code);
  return true;
}

void SimProcesses::restart() {
  std::lock_guard lock(mutex_);
  for (auto& p : processes_)
    if (p.running && !p.is_protected) end_locked(p, 0);
}

SimProcesses::Process* SimProcesses::find(std::uint32_t id) {
  for (auto& p : processes_)
    if (p.id == id) return &p;
  return nullptr;
}

Win32Error SimProcesses::enum_processes(std::size_t max_ids, std::vector<std::uint32_t>* ids) {
  ids->clear();
  if (auto e = faults_.check("EnumProcesses")) return e;
  std::lock_guard lock(mutex_);
  for (const auto& p : processes_)
    if (p.running && ids->size() < max_ids) ids->push_back(p.id);
  return kErrorSuccess;
}

Win32Error SimProcesses::open_process(std::uint32_t access, std::uint32_t process_id,
                                      ProcessHandle* process) {
  *process = 0;
  if (auto e = faults_.check("OpenProcess")) return e;
  std::lock_guard lock(mutex_);
  Process* p = find(process_id);
  if (!p || !p->running) return kErrorInvalidParameter;
  if (p->is_protected) return kErrorAccessDenied;
  const ProcessHandle h = next_handle_++;
  handles_[h] = {process_id, access};
  *process = h;
  return kErrorSuccess;
}

Win32Error SimProcesses::first_module_base_name(ProcessHandle process, std::u16string* name) {
  name->clear();
  if (auto e = faults_.check("GetModuleBaseNameW")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(process);
  if (it == handles_.end()) return kErrorInvalidHandle;
  constexpr std::uint32_t kNeeded = kProcessQueryInformation | kProcessVmRead;
  if ((it->second.access & kNeeded) != kNeeded) return kErrorAccessDenied;
  Process* p = find(it->second.id);
  if (!p || !p->running) return kErrorInvalidHandle;
  *name = p->module;
  return kErrorSuccess;
}

Win32Error SimProcesses::get_exit_code(ProcessHandle process, std::uint32_t* exit_code) {
  if (auto e = faults_.check("GetExitCodeProcess")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(process);
  if (it == handles_.end()) return kErrorInvalidHandle;
  Process* p = find(it->second.id);
  *exit_code = p ? p->exit_code : 0;
  return kErrorSuccess;
}

Win32Error SimProcesses::terminate(ProcessHandle process, std::uint32_t exit_code) {
  if (auto e = faults_.check("TerminateProcess")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(process);
  if (it == handles_.end()) return kErrorInvalidHandle;
  if (!(it->second.access & kProcessTerminate)) return kErrorAccessDenied;
  Process* p = find(it->second.id);
  if (!p || !p->running) return kErrorAccessDenied;
  end_locked(*p, exit_code);
  if (p->restarts) {
    Process again = *p;
    for (const auto& file : again.mapped) shell_.map_image(file);
    again.id = next_id_;
    next_id_ += 4;
    again.running = true;
    again.exit_code = kStillActive;
    processes_.push_back(again);
  }
  return kErrorSuccess;
}

Win32Error SimProcesses::wait(ProcessHandle process, std::uint32_t timeout_ms) {
  if (auto e = faults_.check("WaitForSingleObject")) return e;
  {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(process);
    if (it == handles_.end()) return kErrorInvalidHandle;
    Process* p = find(it->second.id);
    if (!p || !p->running) return kErrorSuccess;
  }
  // Nothing ends a running process here but a termination: the limit runs
  // out (without one, the wait would never return on Windows).
  if (timeout_ms != kInfinite && sleep) sleep(timeout_ms);
  return kWaitTimeout;
}

std::u16string SimProcesses::locate(std::u16string_view program,
                                    std::u16string_view first_folder) const {
  std::u16string path(program);
  if (path.empty()) return {};
  if (!has_extension(base_name(path))) path += u".exe";
  if (path.find_first_of(u"\\/:") != std::u16string::npos)
    return shell_.has_file(path) ? path : u"";
  // A bare name is searched for: the folder the calling program was loaded
  // from, the current folder, the system folder (GetSystemDirectory, which a
  // 32-bit program on 64-bit Windows reaches as SysWOW64), the 16-bit system
  // folder, the Windows folder. The folders of PATH are not modelled.
  std::vector<std::u16string> folders;
  if (!first_folder.empty()) folders.emplace_back(first_folder);
  if (application_folder) folders.push_back(application_folder());
  folders.push_back(shell_.current_directory);
  folders.push_back(shell_.windows_folder + u"\\system32");
  folders.push_back(shell_.windows_folder + u"\\System");
  folders.push_back(shell_.windows_folder);
  for (const auto& folder : folders)
    if (!folder.empty() && shell_.has_file(folder + u"\\" + path)) return folder + u"\\" + path;
  return {};
}

Win32Error SimProcesses::run(const std::vector<std::u16string>& candidates,
                             std::u16string_view first_folder, std::u16string_view command_line,
                             const Started& record, ProcessHandle* process) {
  std::u16string found;
  for (const auto& candidate : candidates) {
    found = locate(candidate, first_folder);
    if (!found.empty()) break;
  }
  if (found.empty()) return kErrorFileNotFound;
  std::u16string name = base_name(found);
  name = ascii_upper(name.substr(0, name.rfind(u'.')));
  Program program;
  {
    std::lock_guard lock(mutex_);
    started_.push_back(record);
    started_.back().program = found;
    auto it = programs_.find(name);
    if (it != programs_.end()) program = it->second;
  }
  const std::uint32_t exit_code = program ? program(command_line) : 0;
  std::lock_guard lock(mutex_);
  Process p;
  p.id = next_id_;
  next_id_ += 4;
  p.module = base_name(found);
  p.running = exit_code == kStillActive;
  p.exit_code = exit_code;
  processes_.push_back(p);
  const ProcessHandle h = next_handle_++;
  handles_[h] = {p.id, kProcessAllAccess};
  *process = h;
  return kErrorSuccess;
}

Win32Error SimProcesses::create_process(std::u16string_view command_line,
                                        std::uint32_t creation_flags, ProcessHandle* process) {
  *process = 0;
  if (auto e = faults_.check("CreateProcessW", command_line)) return e;
  Started record{std::u16string(command_line), creation_flags, false, {}, {}};
  return run(programs_of(command_line), u"", command_line, record, process);
}

Win32Error SimProcesses::shell_execute_runas(std::u16string_view file,
                                             std::u16string_view parameters,
                                             std::u16string_view directory,
                                             ProcessHandle* process) {
  *process = 0;
  if (auto e = faults_.check("ShellExecuteExW", file)) return e;
  std::u16string command_line;
  command_line.append(u"\"").append(file).append(u"\" ").append(parameters);
  Started record{command_line, 0, true, std::u16string(directory), {}};
  // The file as given, looked for in the given working folder first.
  return run({std::u16string(file)}, directory, command_line, record, process);
}

Win32Error SimProcesses::close(ProcessHandle process) {
  // A close that fails still ends the handle's life: the caller cannot
  // use it again either way.
  const Win32Error injected = faults_.check("CloseHandle");
  std::lock_guard lock(mutex_);
  const bool known = handles_.erase(process) != 0;
  if (injected) return injected;
  return known ? kErrorSuccess : kErrorInvalidHandle;
}

void SimProcesses::exit_current_process(std::uint32_t exit_code) {
  faults_.check("ExitProcess");
  std::lock_guard lock(mutex_);
  if (!own_exit_code_) own_exit_code_ = exit_code;
}

std::u16string SimProcesses::namespaced(std::uint32_t session_id, std::u16string_view name) {
  // The prefixes are case-sensitive, as the names are.
  constexpr std::u16string_view kGlobal = u"Global\\";
  constexpr std::u16string_view kLocal = u"Local\\";
  if (name.substr(0, kGlobal.size()) == kGlobal) return std::u16string(name);
  if (name.substr(0, kLocal.size()) == kLocal) name.remove_prefix(kLocal.size());
  if (session_id == 0) return std::u16string(kGlobal) + std::u16string(name);
  return u"Session\\" + to_utf16(std::to_string(session_id)) + u"\\" + std::u16string(name);
}

Win32Error SimProcesses::hold_named_mutex(std::u16string_view name) {
  if (auto e = faults_.check("CreateMutexW", name)) return e;
  const std::u16string key = namespaced(session ? session() : 1, name);
  std::lock_guard lock(mutex_);
  // A mutex of that name, this process's or another's: opened, not owned.
  if (!mutexes_.emplace(key, own_id).second) return kErrorAlreadyExists;
  return kErrorSuccess;
}

void SimProcesses::hold_mutex_of(std::uint32_t process_id, std::uint32_t session_id,
                                 std::u16string_view name) {
  std::lock_guard lock(mutex_);
  mutexes_[namespaced(session_id, name)] = process_id;
}

void SimProcesses::end_own_process() {
  std::lock_guard lock(mutex_);
  for (auto m = mutexes_.begin(); m != mutexes_.end();)
    m = m->second == own_id ? mutexes_.erase(m) : std::next(m);
}

std::optional<std::uint32_t> SimProcesses::mutex_holder(std::u16string_view name) const {
  const std::u16string key = namespaced(session ? session() : 1, name);
  std::lock_guard lock(mutex_);
  const auto it = mutexes_.find(key);
  if (it == mutexes_.end()) return std::nullopt;
  return it->second;
}

void SimProcesses::install_program(std::u16string_view name, Program program) {
  std::lock_guard lock(mutex_);
  programs_[ascii_upper(name)] = std::move(program);
}

int SimProcesses::running_count(std::u16string_view module) const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& p : processes_)
    if (p.running && p.module == module) ++count;
  return count;
}

std::vector<SimProcesses::Process> SimProcesses::processes() const {
  std::lock_guard lock(mutex_);
  return processes_;
}

std::vector<SimProcesses::Started> SimProcesses::started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::size_t SimProcesses::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

std::optional<std::uint32_t> SimProcesses::own_exit_code() const {
  std::lock_guard lock(mutex_);
  return own_exit_code_;
}

}  // namespace platform::sim
