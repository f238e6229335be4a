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

std::u16string ExitResult(platform::Win32Error read, std::uint32_t exitCode) {
  if (read == platform::kErrorSuccess) return platform::format(u"exit code %u", {exitCode});
  return u"exit code unknown, " + ErrorResult(read);
}

std::string FormatLogLine(const platform::LocalTime& time, std::u16string_view area,
                          std::u16string_view action, std::u16string_view result) {
  std::u16string text = platform::format(
      u"%04d-%02d-%02d %02d:%02d:%02d %s %s: %s",
      {static_cast<int>(time.year), static_cast<int>(time.month), static_cast<int>(time.day),
       static_cast<int>(time.hour), static_cast<int>(time.minute), static_cast<int>(time.second),
       area, action, result});
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
  path_ = std::move(path);
}

void InstallLog::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

void InstallLog::Write(std::u16string_view area, std::u16string_view action,
                       std::u16string_view result) {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  if (!located_) {
    // Looked up once: without a temporary folder there is no log, and no
    // further call is spent on it.
    located_ = true;
    std::u16string folder;
    if (platform_.shell.temp_path(&folder) == platform::kErrorSuccess && !folder.empty()) {
      if (folder.back() != u'\\') folder.push_back(u'\\');
      path_ = folder + kLogFileName;
    }
  }
  if (path_.empty()) return;
  // Each line opens and closes the file: a file held by someone else for a
  // moment loses only the lines of that moment, and nothing is left open
  // when the process ends abruptly.
  platform_.shell.append_file(path_,
                              FormatLogLine(platform_.clock.local_time(), area, action, result));
}

std::u16string InstallLog::ExitCodeSuffix(int code) const {
  return namesExitCode ? platform::format(u", exit code %d", {code}) : std::u16string();
}

std::u16string InstallLog::ProcessSuffix() const {
  return platform::format(u", process %u", {platform_.processes.current_process_id()});
}

}  // namespace pelmora
