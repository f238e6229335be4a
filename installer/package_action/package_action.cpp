#include "package_action/package_action.h"

#include <string>
#include <vector>

#include "exit_codes.h"

namespace pelmora {

namespace {

// The installer's three steps take minutes at most; this leaves room for a
// slow desk and a printer tool that takes its own ten minutes.
constexpr std::uint32_t kStepsLimitMs = 30u * 60u * 1000u;
constexpr std::uint32_t kMaxWaitSeconds = 86400u;

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - u'a' + u'A');
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - u'a' + u'A');
    if (x != y) return false;
  }
  return true;
}

std::u16string Quote(std::u16string_view value) { return u"\"" + std::u16string(value) + u"\""; }

std::u16string Program(std::u16string_view folder) {
  std::u16string path(folder);
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  return Quote(path + u"Pelmora.exe");
}

}  // namespace

bool ParsePackageRequest(std::u16string_view data, PackageRequest* request) {
  std::vector<std::u16string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = data.find(u'|', start);
    fields.emplace_back(data.substr(start, bar == std::u16string_view::npos ? bar : bar - start));
    if (bar == std::u16string_view::npos) break;
    start = bar + 1;
  }
  if (fields.size() != 6) return false;
  *request = {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
  return true;
}

bool InstallCommandLine(const PackageRequest& request, std::u16string* command,
                        std::u16string* error) {
  for (const std::u16string* value : {&request.folder, &request.connection, &request.model,
                                      &request.printer, &request.wait, &request.log}) {
    if (value->find(u'"') != std::u16string::npos) {
      *error = u"a property holds a double quote: " + *value;
      return false;
    }
  }
  if (request.folder.empty()) {
    *error = u"no installed folder";
    return false;
  }
  std::u16string line = Program(request.folder) + u" /quiet";
  if (EqualsIgnoringCase(request.connection, u"USB")) {
    line += u" /usb";
    if (!request.printer.empty()) {
      *error = u"PRINTER goes only with CONNECTION=NETWORK";
      return false;
    }
    if (!request.wait.empty()) line += u" /wait " + Quote(request.wait);
  } else if (EqualsIgnoringCase(request.connection, u"NETWORK")) {
    if (request.printer.empty()) {
      *error = u"CONNECTION=NETWORK needs PRINTER";
      return false;
    }
    if (!request.wait.empty()) {
      *error = u"WAIT goes only with CONNECTION=USB";
      return false;
    }
    line += u" /network " + Quote(request.printer);
  } else {
    *error = u"CONNECTION is USB or NETWORK, not \"" + request.connection + u"\"";
    return false;
  }
  if (!request.model.empty())
    line += u" /model " + (EqualsIgnoringCase(request.model, u"all") ? std::u16string(u"16")
                                                                     : Quote(request.model));
  if (!request.log.empty()) line += u" /log " + Quote(request.log);
  *command = line;
  return true;
}

std::u16string RemoveCommandLine(std::u16string_view folder, std::uint32_t model,
                                 std::u16string_view log) {
  const std::string number = std::to_string(model);
  std::u16string line =
      Program(folder) + u" /quiet /remove /model " + std::u16string(number.begin(), number.end());
  if (!log.empty()) line += u" /log " + Quote(log);
  return line;
}

PackageOutcome OutcomeOf(std::uint32_t exit_code) {
  switch (exit_code) {
    case kExitSuccess:
    case kExitStaged:
      return PackageOutcome::Success;
    case kExitRebootRequired:
      return PackageOutcome::Restart;
    default:
      return PackageOutcome::Failure;
  }
}

std::uint32_t InstallerWaitLimitMs(const PackageRequest& request) {
  std::uint32_t seconds = 0;
  for (char16_t c : request.wait) {
    if (c < u'0' || c > u'9' || seconds > kMaxWaitSeconds) return kStepsLimitMs;
    seconds = seconds * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  if (seconds > kMaxWaitSeconds) return kStepsLimitMs;
  return kStepsLimitMs + seconds * 1000u;
}

}  // namespace pelmora
