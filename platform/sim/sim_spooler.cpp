#include "platform_sim/sim_spooler.h"

#include <algorithm>
#include <cstring>

#include "platform/util/text.h"

namespace platform::sim {

SimSpooler::SimSpooler(Faults& faults, SimRegistry& registry)
    : faults_(faults), registry_(registry) {
  // A few of the forms every spooler is born with.
  forms_ = {
      {kFormBuiltin, u"Letter", 215900, 279400, 0, 0, 215900, 279400},
      {kFormBuiltin, u"A4", 210000, 297000, 0, 0, 210000, 297000},
      {kFormBuiltin, u"A6", 105000, 148000, 0, 0, 105000, 148000},
  };
  local_ports_ = {u"LPT1:", u"COM1:", u"FILE:"};
}

std::u16string SimSpooler::driver_data_key(std::u16string_view queue) const {
  return std::u16string(kPrintersKey) + u"\\" + std::u16string(queue) + u"\\PrinterDriverData";
}

namespace {

// The data types the spooler's own print processor accepts.
constexpr const char16_t* kDataTypes[] = {
    u"RAW",          u"RAW [FF appended]", u"RAW [FF auto]", u"NT EMF 1.003", u"NT EMF 1.006",
    u"NT EMF 1.007", u"NT EMF 1.008",      u"TEXT",          u"XPS2GDI",
};

bool known_data_type(std::u16string_view type) {
  for (const char16_t* known : kDataTypes)
    if (equals_ignore_ascii_case(type, known)) return true;
  return false;
}

}  // namespace

bool known_data_type_name(std::u16string_view type) { return known_data_type(type); }

Win32Error SimSpooler::unavailable() const {
  return service_running && !service_running() ? kErrorRpcServerUnavailable : kErrorSuccess;
}

std::u16string SimSpooler::environment() const {
  return default_environment ? default_environment() : std::u16string(kEnvironmentX86);
}

std::u16string SimSpooler::own_environment() const {
  return server_environment ? server_environment() : environment();
}

bool SimSpooler::resolve_environment(std::u16string_view requested,
                                     std::u16string* environment) const {
  if (requested.empty()) {
    *environment = this->environment();
    return true;
  }
  for (const char16_t* known :
       {kEnvironmentX86, kEnvironmentX64, u"Windows IA64", u"Windows ARM64", u"Windows 4.0"}) {
    if (equals_ignore_ascii_case(requested, known)) {
      *environment = known;
      return true;
    }
  }
  return false;
}

std::u16string SimSpooler::stored_queue_name(std::u16string_view name) const {
  for (const auto& q : queues_)
    if (equals_ignore_ascii_case(q.printer_name, name)) return q.printer_name;
  return {};
}

bool SimSpooler::deletion_done(const std::u16string& queue) const {
  for (const auto& q : queues_) {
    if (q.printer_name != queue) continue;
    if (!(q.status & kPrinterStatusPendingDeletion)) return false;
    auto jobs = jobs_.find(queue);
    if (jobs != jobs_.end() && jobs->second > 0) return false;
    for (const auto& [h, handle] : handles_)
      if (handle.kind == Handle::Kind::Queue && handle.queue == queue) return false;
    return true;
  }
  return false;
}

Win32Error SimSpooler::enum_local_printers(std::vector<PrinterInfo2>* printers) {
  if (auto e = faults_.check("EnumPrintersW")) return e;
  if (auto e = unavailable()) return e;
  std::lock_guard lock(mutex_);
  printers->clear();
  // A queue pending deletion is no longer listed.
  for (const auto& q : queues_)
    if (!(q.status & kPrinterStatusPendingDeletion)) printers->push_back(q);
  // In the order of their names, as the Printers key lists them.
  std::stable_sort(printers->begin(), printers->end(), [](const auto& a, const auto& b) {
    const std::size_t n = std::min(a.printer_name.size(), b.printer_name.size());
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t x = ascii_upper(a.printer_name[i]), y = ascii_upper(b.printer_name[i]);
      if (x != y) return x < y;
    }
    return a.printer_name.size() < b.printer_name.size();
  });
  return kErrorSuccess;
}

Win32Error SimSpooler::open_printer(std::u16string_view name, const PrinterDefaults* defaults,
                                    PrinterHandle* handle) {
  *handle = 0;
  if (auto e = faults_.check("OpenPrinterW", name)) return e;
  if (auto e = unavailable()) return e;
  if (defaults && !defaults->data_type.empty() && !known_data_type(defaults->data_type))
    return kErrorInvalidDatatype;
  std::lock_guard lock(mutex_);
  for (const auto& q : queues_) {
    if (equals_ignore_ascii_case(q.printer_name, name) &&
        !(q.status & kPrinterStatusPendingDeletion)) {
      const PrinterHandle h = next_handle_++;
      handles_[h] = {q.printer_name, defaults ? defaults->access : kPrinterAccessUse};
      *handle = h;
      return kErrorSuccess;
    }
  }
  return kErrorInvalidPrinterName;
}

Win32Error SimSpooler::close_printer(PrinterHandle handle) {
  // A close that fails still ends the handle's life.
  const Win32Error injected = faults_.check("ClosePrinter");
  bool known = false;
  std::u16string gone;
  {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it != handles_.end()) {
      known = true;
      const std::u16string queue = it->second.queue;
      const bool is_queue = it->second.kind == Handle::Kind::Queue;
      handles_.erase(it);
      // The last handle of a deleted queue lets it go.
      if (is_queue && deletion_done(queue)) gone = queue;
    }
  }
  if (!gone.empty()) remove_queue(gone);
  if (injected) return injected;
  return known ? kErrorSuccess : kErrorInvalidHandle;
}

Win32Error SimSpooler::get_printer_data(PrinterHandle handle, std::u16string_view value_name,
                                        std::size_t max_bytes, PrinterDataValue* value) {
  // Windows leaves no type or data behind when the read fails.
  value->type = kRegNone;
  value->data.clear();
  if (auto e = faults_.check("GetPrinterDataW", value_name)) return e;
  if (auto e = unavailable()) return e;
  std::u16string queue;
  {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return kErrorInvalidHandle;
    queue = it->second.queue;
  }
  RegistryValue v;
  if (!registry_.value(kHkeyLocalMachine, driver_data_key(queue), value_name, &v))
    return kErrorFileNotFound;
  if (v.data.size() > max_bytes) return kErrorMoreData;
  value->type = v.type;
  value->data = std::move(v.data);
  return kErrorSuccess;
}

Win32Error SimSpooler::get_printer_driver(PrinterHandle handle, std::uint32_t level,
                                          std::size_t buffer_bytes) {
  if (auto e = faults_.check("GetPrinterDriverW")) return e;
  if (auto e = unavailable()) return e;
  return queue_driver_in(handle, level, buffer_bytes, environment());
}

Win32Error SimSpooler::get_printer_driver_native(PrinterHandle handle, std::uint32_t level,
                                                 std::size_t buffer_bytes) {
  if (auto e = faults_.check("GetPrinterDriverW")) return e;
  if (auto e = unavailable()) return e;
  return queue_driver_in(handle, level, buffer_bytes, own_environment());
}

// GetPrinterDriverW answers with the queue's driver as installed for the
// environment asked: none there is ERROR_UNKNOWN_PRINTER_DRIVER, although
// the queue itself uses the driver of the server's own environment.
Win32Error SimSpooler::queue_driver_in(PrinterHandle handle, std::uint32_t level,
                                       std::size_t buffer_bytes,
                                       const std::u16string& environment) {
  std::lock_guard lock(mutex_);
  auto it = handles_.find(handle);
  if (it == handles_.end()) return kErrorInvalidHandle;
  if (level < 1 || level > 8) return kErrorInvalidLevel;
  if (it->second.kind == Handle::Kind::Queue) {
    const PrinterInfo2* queue = nullptr;
    for (const auto& q : queues_)
      if (equals_ignore_ascii_case(q.printer_name, it->second.queue)) queue = &q;
    bool installed = false;
    for (const auto& d : drivers_)
      installed = installed || (queue && equals_ignore_ascii_case(d.name, queue->driver_name) &&
                                equals_ignore_ascii_case(d.environment, environment));
    if (!installed) return kErrorUnknownPrinterDriver;
  }
  if (buffer_bytes < driver_info_size_) return kErrorInsufficientBuffer;
  return kErrorSuccess;
}

Win32Error SimSpooler::purge_printer(PrinterHandle handle) {
  if (auto e = faults_.check("SetPrinterW")) return e;
  if (auto e = unavailable()) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(handle);
  if (it == handles_.end()) return kErrorInvalidHandle;
  if (!(it->second.access & kPrinterAccessAdminister)) return kErrorAccessDenied;
  ++purges_[it->second.queue];
  jobs_[it->second.queue] = 0;
  return kErrorSuccess;
}

Win32Error SimSpooler::delete_printer(PrinterHandle handle) {
  if (auto e = faults_.check("DeletePrinter")) return e;
  if (auto e = unavailable()) return e;
  std::u16string queue;
  {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return kErrorInvalidHandle;
    if (!(it->second.access & kStandardDelete)) return kErrorAccessDenied;
    queue = it->second.queue;
    auto jobs = jobs_.find(queue);
    if (jobs != jobs_.end() && jobs->second > 0) {
      for (auto& q : queues_) {
        if (q.printer_name != queue) continue;
        // A paused queue cannot print its jobs away, so it cannot go.
        if (q.status & kPrinterStatusPaused) return kErrorAccessDenied;
        // The queue goes once its jobs are printed or purged.
        q.status |= kPrinterStatusPendingDeletion;
        return kErrorSuccess;
      }
    }
  }
  if (!remove_queue(queue)) return kErrorInvalidPrinterName;
  return kErrorSuccess;
}

Win32Error SimSpooler::get_printer(PrinterHandle handle, PrinterInfo2* info) {
  *info = {};
  if (auto e = faults_.check("GetPrinterW")) return e;
  if (auto e = unavailable()) return e;
  std::lock_guard lock(mutex_);
  if (auto e = check_handle(handle, Handle::Kind::Queue)) return e;
  for (const auto& q : queues_) {
    if (q.printer_name == handles_.at(handle).queue) {
      *info = q;
      return kErrorSuccess;
    }
  }
  return kErrorInvalidPrinterName;
}

Win32Error SimSpooler::enum_printer_drivers(std::vector<std::u16string>* names) {
  return enum_printer_drivers_in(u"", names);
}

Win32Error SimSpooler::delete_printer_driver(std::u16string_view name, std::uint32_t delete_flags,
                                             std::uint32_t version) {
  return delete_printer_driver_in(u"", name, delete_flags, version);
}

Win32Error SimSpooler::get_server_environment(std::u16string* environment) {
  environment->clear();
  if (auto e = faults_.check("GetPrinterDataW", u"Architecture")) return e;
  if (auto e = unavailable()) return e;
  *environment = own_environment();
  return kErrorSuccess;
}

Win32Error SimSpooler::enum_printer_drivers_in(std::u16string_view requested,
                                               std::vector<std::u16string>* names) {
  names->clear();
  if (auto e = faults_.check("EnumPrinterDriversW")) return e;
  if (auto e = unavailable()) return e;
  std::u16string env;
  if (!resolve_environment(requested, &env)) return kErrorInvalidEnvironment;
  std::lock_guard lock(mutex_);
  for (const auto& d : drivers_)
    if (equals_ignore_ascii_case(d.environment, env)) names->push_back(d.name);
  return kErrorSuccess;
}

Win32Error SimSpooler::delete_printer_driver_in(std::u16string_view requested,
                                                std::u16string_view name,
                                                std::uint32_t delete_flags, std::uint32_t version) {
  if (auto e = faults_.check("DeletePrinterDriverExW", name)) return e;
  if (auto e = unavailable()) return e;
  if (delete_flags & ~(kDpdDeleteUnusedFiles | kDpdDeleteSpecificVersion | kDpdDeleteAllFiles))
    return kErrorInvalidParameter;
  std::u16string env;
  if (!resolve_environment(requested, &env)) return kErrorInvalidEnvironment;
  std::vector<std::u16string> doomed_files;
  {
    std::lock_guard lock(mutex_);
    auto doomed = [&](const Driver& d) {
      return equals_ignore_ascii_case(d.name, name) &&
             equals_ignore_ascii_case(d.environment, env) &&
             (!(delete_flags & kDpdDeleteSpecificVersion) || d.version == version);
    };
    if (std::none_of(drivers_.begin(), drivers_.end(), doomed)) return kErrorUnknownPrinterDriver;
    // A queue (one pending deletion too) prints with the driver of the
    // server's own environment and hands the driver of the same name of
    // every other environment to the point-and-print clients of that
    // environment: while a queue names it, the driver is in use in all of
    // them.
    for (const auto& q : queues_)
      if (equals_ignore_ascii_case(q.driver_name, name)) return kErrorPrinterDriverInUse;
    auto shared = [&](const Driver& gone, const std::u16string& file) {
      for (const auto& d : drivers_)
        if (!doomed(d) && equals_ignore_ascii_case(d.environment, gone.environment) &&
            d.version == gone.version)
          for (const auto& f : d.files)
            if (equals_ignore_ascii_case(f, file)) return true;
      return false;
    };
    for (const auto& d : drivers_) {
      if (!doomed(d)) continue;
      for (const auto& file : d.files) {
        if (shared(d, file)) {
          if (delete_flags & kDpdDeleteAllFiles) return kErrorPrinterDriverInUse;
          continue;
        }
        if (delete_flags & (kDpdDeleteUnusedFiles | kDpdDeleteAllFiles))
          doomed_files.push_back(driver_file_path(d.environment, d.version, file));
      }
    }
    drivers_.erase(std::remove_if(drivers_.begin(), drivers_.end(), doomed), drivers_.end());
  }
  if (files)
    for (const auto& path : doomed_files) {
      const std::u16string key = files->full_path(path);
      if (!has_loaded(key)) {
        files->remove_file(path);
        continue;
      }
      // In use: renamed out of the way, deleted at the restart.
      const std::size_t slash = path.rfind(u'\\');
      const std::u16string aside = path.substr(0, slash) + u"\\Old\\1" + path.substr(slash);
      if (files->set_aside(path, aside)) {
        std::lock_guard lock(mutex_);
        loaded_.erase(key);
        loaded_.insert(files->full_path(aside));
      }
    }
  return kErrorSuccess;
}

void SimSpooler::load_file(std::u16string_view path) {
  const std::u16string key = files ? files->full_path(path) : ascii_upper(path);
  std::lock_guard lock(mutex_);
  loaded_.insert(key);
}

bool SimSpooler::has_loaded(const std::u16string& key) const {
  std::lock_guard lock(mutex_);
  return loaded_.count(key) != 0;
}

void SimSpooler::unload_all() {
  std::lock_guard lock(mutex_);
  loaded_.clear();
}

void SimSpooler::add_driver(std::u16string_view name, std::u16string_view environment,
                            std::uint32_t version, std::vector<std::u16string> driver_files) {
  if (files)
    for (const auto& file : driver_files) {
      const std::u16string path = driver_file_path(environment, version, file);
      if (!files->has_file(path)) files->put_file(path, "driver file");
    }
  std::lock_guard lock(mutex_);
  // One driver of a name per environment and version: adding it again
  // updates it.
  for (auto& d : drivers_) {
    if (equals_ignore_ascii_case(d.name, name) &&
        equals_ignore_ascii_case(d.environment, environment) && d.version == version) {
      d.files = std::move(driver_files);
      return;
    }
  }
  drivers_.push_back(
      {std::u16string(name), std::u16string(environment), version, std::move(driver_files)});
}

std::vector<SimSpooler::Driver> SimSpooler::drivers() const {
  std::lock_guard lock(mutex_);
  return drivers_;
}

bool SimSpooler::has_driver(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto& d : drivers_)
    if (equals_ignore_ascii_case(d.name, name)) return true;
  return false;
}

bool SimSpooler::has_driver_in(std::u16string_view name, std::u16string_view environment) const {
  std::lock_guard lock(mutex_);
  for (const auto& d : drivers_)
    if (equals_ignore_ascii_case(d.name, name) &&
        equals_ignore_ascii_case(d.environment, environment))
      return true;
  return false;
}

std::u16string SimSpooler::driver_file_path(std::u16string_view environment, std::uint32_t version,
                                            std::u16string_view file) const {
  std::u16string folder = u"W32X86";
  if (equals_ignore_ascii_case(environment, kEnvironmentX64)) folder = u"x64";
  if (equals_ignore_ascii_case(environment, u"Windows IA64")) folder = u"IA64";
  if (equals_ignore_ascii_case(environment, u"Windows ARM64")) folder = u"ARM64";
  if (equals_ignore_ascii_case(environment, u"Windows 4.0")) folder = u"WIN40";
  const std::u16string windows = files ? files->windows_folder : std::u16string(u"C:\\Windows");
  return windows + u"\\system32\\spool\\drivers\\" + folder + u"\\" +
         to_utf16(std::to_string(version)) + u"\\" + std::u16string(file);
}

void SimSpooler::set_jobs(std::u16string_view queue, int jobs) {
  std::u16string gone;
  {
    std::lock_guard lock(mutex_);
    const std::u16string name = stored_queue_name(queue);
    if (name.empty()) return;
    jobs_[name] = jobs;
    if (deletion_done(name)) gone = name;
  }
  if (!gone.empty()) remove_queue(gone);
}

int SimSpooler::jobs(std::u16string_view queue) const {
  std::lock_guard lock(mutex_);
  auto it = jobs_.find(stored_queue_name(queue));
  return it == jobs_.end() ? 0 : it->second;
}

int SimSpooler::purges(std::u16string_view queue) const {
  std::lock_guard lock(mutex_);
  auto it = purges_.find(std::u16string(queue));
  return it == purges_.end() ? 0 : it->second;
}

void SimSpooler::add_queue(const PrinterInfo2& info) {
  {
    std::lock_guard lock(mutex_);
    queues_.push_back(info);
  }
  registry_.ensure_key(kHkeyLocalMachine, driver_data_key(info.printer_name));
}

bool SimSpooler::remove_queue(std::u16string_view name) {
  std::u16string removed;
  {
    std::lock_guard lock(mutex_);
    for (auto it = queues_.begin(); it != queues_.end(); ++it) {
      if (equals_ignore_ascii_case(it->printer_name, name)) {
        removed = it->printer_name;
        queues_.erase(it);
        jobs_.erase(removed);
        break;
      }
    }
  }
  if (removed.empty()) return false;
  registry_.remove_key(kHkeyLocalMachine, std::u16string(kPrintersKey) + u"\\" + removed);
  return true;
}

bool SimSpooler::has_queue(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto& q : queues_)
    if (equals_ignore_ascii_case(q.printer_name, name)) return true;
  return false;
}

bool SimSpooler::set_attributes(std::u16string_view name, std::uint32_t attributes) {
  std::lock_guard lock(mutex_);
  for (auto& q : queues_) {
    if (equals_ignore_ascii_case(q.printer_name, name)) {
      q.attributes = attributes;
      return true;
    }
  }
  return false;
}

std::vector<PrinterInfo2> SimSpooler::queues() const {
  std::lock_guard lock(mutex_);
  return queues_;
}

void SimSpooler::set_driver_data(std::u16string_view queue, std::u16string_view value_name,
                                 std::uint32_t type, std::vector<std::uint8_t> data) {
  registry_.put_value(kHkeyLocalMachine, driver_data_key(queue), value_name, type, std::move(data));
}

void SimSpooler::set_driver_dword(std::u16string_view queue, std::u16string_view value_name,
                                  std::uint32_t value) {
  registry_.put_dword(kHkeyLocalMachine, driver_data_key(queue), value_name, value);
}

void SimSpooler::set_driver_string(std::u16string_view queue, std::u16string_view value_name,
                                   std::u16string_view text) {
  registry_.put_string(kHkeyLocalMachine, driver_data_key(queue), value_name, text);
}

std::size_t SimSpooler::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace platform::sim
