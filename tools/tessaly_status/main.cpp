// tessaly_status: what the Tessaly monitor would show for a print queue.
// Support engineers give it the driver data of one queue, or let it poll the
// local spooler.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/util/text.h"
#include "status_tool.h"

#ifdef _WIN32
#include "platform_win32/win32_windows.h"
#include "platform_win32/windows_api.h"
#else
#include "given_queue.h"
#endif

namespace {

int run(const std::vector<std::u16string>& args) {
#ifdef _WIN32
  platform_win32::Win32Windows windows;
  std::string out;
  std::string err;
  const int result =
      tessaly_status::run_status_tool(args, windows.spooler, windows.registry, out, err);
#else
  // Off Windows there is no spooler: polling finds no queue.
  tessaly_status::GivenQueue none;
  std::string out;
  std::string err;
  const int result = tessaly_status::run_status_tool(args, none, none, out, err);
#endif
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return result;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform_win32::from_wide(argv[i]));
  return run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::to_utf16(argv[i]));
  return run(args);
}
#endif
