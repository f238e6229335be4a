#include "install_log.h"

#include "platform/util/format.h"
#include "platform/util/text.h"

namespace pelmora {

namespace {

constexpr char kCutMark[] = "...";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::u16string Quoted(std::u16string_view text) {
  std::u16string quoted = u"\"";
  for (char16_t c : text) {
    quoted.push_back(c);
    if (c == u'"') quoted.push_back(u'"');
  }
  quoted.push_back(u'"');
  return quoted;
}

std::u16string ErrorResult(platform::Win32Error error) {
  if (error == platform::kErrorSuccess) return u"ok";
  return platform::format(u"error %08X", {static_cast<std::uint32_t>(error)});
}

std::u16string ExitResult(platform::Win32Error read, std::uint32_t exit_code) {
  if (read == platform::kErrorSuccess) return platform::format(u"exit code %u", {exit_code});
  return u"exit code unknown, " + ErrorResult(read);
}

std::u16string FormatTimestamp(const platform::LocalTime& time) {
  return platform::format(
      u"%04d-%02d-%02d %02d:%02d:%02d",
      {static_cast<int>(time.year), static_cast<int>(time.month), static_cast<int>(time.day),
       static_cast<int>(time.hour), static_cast<int>(time.minute), static_cast<int>(time.second)});
}

std::string FormatLogLine(const platform::LocalTime& time, std::u16string_view area,
                          std::u16string_view action, std::u16string_view result) {
  std::u16string text =
      platform::format(u"%s %s %s: %s", {FormatTimestamp(time), area, action, result});
  // One event, one line: a text with line breaks of its own (a system
  // message, a file name) must not start a line that looks like an event.
  for (char16_t& c : text)
    if (c < 0x20 || c == 0x7F) c = u' ';
  std::string line = platform::to_utf8(text);
  const std::size_t room = kMaxLogLineBytes - 2;
  if (line.size() > room) {
    std::size_t cut = room - (sizeof kCutMark - 1);
    while (cut > 0 && IsContinuationByte(line[cut])) --cut;
    line.resize(cut);
    line += kCutMark;
  }
  line += "\r\n";
  return line;
}

void InstallLog::SetPath(std::u16string path) {
  std::lock_guard lock(mutex_);
  located_ = true;
  size_checked_ = false;
  path_ = std::move(path);
}

std::u16string InstallLog::UseRequestedPath(std::u16string_view path) {
  platform::Shell& shell = platform_.shell;
  const std::uint32_t attributes = shell.file_attributes(path);
  if (attributes != platform::kInvalidFileAttributes &&
      (attributes & platform::kFileAttributeDirectory) != 0)
    return u"it is a folder";
  // Each missing folder on the way, below the drive or the share.
  const std::size_t last = path.find_last_of(u'\\');
  const std::u16string_view folder =
      last == std::u16string_view::npos ? std::u16string_view() : path.substr(0, last);
  std::size_t first = 0;
  if (folder.starts_with(u"\\\\")) {
    const std::size_t server_end = folder.find(u'\\', 2);
    first = server_end == std::u16string_view::npos ? folder.size()
                                                    : folder.find(u'\\', server_end + 1);
    if (first == std::u16string_view::npos) first = folder.size();
  } else if (folder.size() >= 2 && folder[1] == u':') {
    first = 2;
  }
  for (std::size_t end = folder.find(u'\\', first + 1); !folder.empty();
       end = folder.find(u'\\', end + 1)) {
    const std::u16string_view prefix = folder.substr(0, end);
    if (prefix.size() > first) {
      const std::uint32_t found = shell.file_attributes(prefix);
      if (found == platform::kInvalidFileAttributes) {
        const platform::Win32Error made = shell.create_directory(prefix);
        if (made != platform::kErrorSuccess && made != platform::kErrorAlreadyExists)
          return platform::format(u"its folder %s could not be made, error %08X",
                                  {Quoted(prefix), static_cast<std::uint32_t>(made)});
      } else if ((found & platform::kFileAttributeDirectory) == 0) {
        return Quoted(prefix) + u" is a file, not a folder";
      }
    }
    if (end == std::u16string_view::npos) break;
  }
  SetPath(std::u16string(path));
  return {};
}

std::u16string InstallLog::Path() {
  std::lock_guard lock(mutex_);
  Locate();
  return path_;
}

std::u16string InstallLog::OldLogPath(std::u16string_view path) {
  constexpr std::u16string_view kExtension = u".log";
  if (path.size() >= kExtension.size() &&
      platform::equals_ignore_ascii_case(path.substr(path.size() - kExtension.size()), kExtension))
    return std::u16string(path.substr(0, path.size() - kExtension.size())) + u".old.log";
  return std::u16string(path) + u".old";
}

void InstallLog::Locate() {
  if (located_) return;
  // Looked up once: without a temporary folder there is no log, and no
  // further call is spent on it.
  located_ = true;
  std::u16string folder;
  if (platform_.shell.temp_path(&folder) == platform::kErrorSuccess && !folder.empty()) {
    if (folder.back() != u'\\') folder.push_back(u'\\');
    path_ = folder + kLogFileName;
  }
}

void InstallLog::StartNewFileIfFull() {
  if (size_checked_ || path_.empty()) return;
  size_checked_ = true;
  std::string contents;
  if (platform_.shell.read_file(path_, kMaxLogFileBytes, &contents) != platform::kErrorMoreData)
    return;
  // The full log becomes the old one; the run's lines start a new file.
  const std::u16string old = OldLogPath(path_);
  if (platform_.shell.copy_file(path_, old, false) == platform::kErrorSuccess)
    platform_.shell.delete_file(path_);
}

void InstallLog::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

void InstallLog::Write(std::u16string_view area, std::u16string_view action,
                       std::u16string_view result) {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  Locate();
  if (path_.empty()) return;
  StartNewFileIfFull();
  // Each line opens and closes the file: a file held by someone else for a
  // moment loses only the lines of that moment, and nothing is left open
  // when the process ends abruptly.
  platform_.shell.append_file(path_,
                              FormatLogLine(platform_.clock.local_time(), area, action, result));
}

std::u16string InstallLog::ExitCodeSuffix(std::uint32_t code) const {
  return namesExitCode ? platform::format(u", exit code %u", {code}) : std::u16string();
}

std::u16string InstallLog::ProcessSuffix() const {
  return platform::format(u", process %u", {platform_.processes.current_process_id()});
}

}  // namespace pelmora
