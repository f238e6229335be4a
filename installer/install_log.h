// The installation log: what the installer did and why a step failed, for
// administrators. Lines are appended to Pelmora.log in the user's folder for
// temporary files, or to the file /log names; earlier runs' lines stay. A
// log that has grown past kMaxLogFileBytes is renamed to "<name>.old.log"
// (an older one replaced) when a run first writes to it, so a desk that
// installs for years keeps one full log and the one before. A log that
// cannot be written changes nothing of what the installer does: its lines
// are simply lost.
//
// One line per event, UTF-8, ending in CR LF, at most kMaxLogLineBytes bytes:
//
//   2026-12-09 06:10:02 step1 delete-queue "ZELKO-70 Card Printer": ok
//   <date> <time> <area> <action>[ "<subject>"]: <result>
//
// The area is start, step1, step2, step3 or end. A subject is quoted, its
// own double quotes doubled, so the result always follows the first ": "
// after the closing quote. Control characters become spaces; a longer line
// is cut at a character boundary and ends in "...".
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace pelmora {

inline constexpr char16_t kLogFileName[] = u"Pelmora.log";
// With its CR LF.
inline constexpr std::size_t kMaxLogLineBytes = 1024;
// The size past which a run starts a new file.
inline constexpr std::size_t kMaxLogFileBytes = 1024 * 1024;

class InstallLog {
 public:
  explicit InstallLog(platform::Platform& platform) : platform_(platform) {}
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  // "<area> <action>: <result>" with the time in front. Both threads of the
  // installer write; a line is written whole or not at all.
  void Write(std::u16string_view area, std::u16string_view action, std::u16string_view result);
  // Writes to `path` instead of the temporary folder's Pelmora.log.
  void SetPath(std::u16string path);
  // Writes to the file an administrator named (/log), making its missing
  // folders. Where that cannot be (a folder that cannot be made, a name
  // that is a folder), the log stays the default one and the reason is
  // returned; empty when the file is used.
  std::u16string UseRequestedPath(std::u16string_view path);
  // The file the lines go to; empty when there is none.
  std::u16string Path();
  // The file an older log is kept in when `path` is started anew.
  static std::u16string OldLogPath(std::u16string_view path);
  // Later lines are dropped: the line written last stays the last, even
  // when another thread is still at work while the process ends.
  void Close();
  // The wizard's end lines name the process's exit code. An unattended run
  // ends with a code of its own on its own last line, and turns this off so
  // that no earlier line names another one.
  bool namesExitCode = true;
  // ", exit code N" when the end lines name it, else nothing.
  std::u16string ExitCodeSuffix(std::uint32_t code) const;
  // ", process N": the start and end lines name the process, so that the
  // lines of two runs can be told apart.
  std::u16string ProcessSuffix() const;
  // A program the installer started was ended at its limit (WaitForChild,
  // on either thread): an unattended run's exit code says so.
  void NoteProgramEnded() { program_ended_ = true; }
  bool ProgramEnded() const { return program_ended_; }

 private:
  platform::Platform& platform_;
  std::mutex mutex_;
  void Locate();              // called locked
  void StartNewFileIfFull();  // called locked
  bool located_ = false;
  bool closed_ = false;
  bool size_checked_ = false;
  std::atomic<bool> program_ended_{false};
  std::u16string path_;  // empty: the temporary folder is not known
};

// The subject of an action: `text` in double quotes, its quotes doubled.
std::u16string Quoted(std::u16string_view text);
// "ok" for success, else "error %08X".
std::u16string ErrorResult(platform::Win32Error error);
// "exit code N" for a waited tool whose code was read, else "exit code
// unknown, error %08X".
std::u16string ExitResult(platform::Win32Error read, std::uint32_t exit_code);
// "2026-12-09 06:11:02".
std::u16string FormatTimestamp(const platform::LocalTime& time);
// A whole line with its CR LF, as the log holds it.
std::string FormatLogLine(const platform::LocalTime& time, std::u16string_view area,
                          std::u16string_view action, std::u16string_view result);

}  // namespace pelmora
