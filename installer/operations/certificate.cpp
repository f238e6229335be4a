#include "operations/certificate.h"

#include <cstdint>

#include "install_log.h"
#include "operations/child_process.h"
#include "platform/util/format.h"

namespace pelmora {

namespace {

// X.509 allows at most 20 bytes of serial number.
constexpr std::size_t kMaxSerialBytes = 20;
// certutil names one certificate in a store in moments.
constexpr std::uint32_t kCertUtilLimitMs = 60 * 1000;

// One DER element at the front of `*rest`: its tag and contents; `*rest`
// moves past it. False when it does not fit.
bool NextElement(std::string_view* rest, unsigned char* tag, std::string_view* contents) {
  if (rest->size() < 2) return false;
  *tag = static_cast<unsigned char>((*rest)[0]);
  std::size_t length = static_cast<unsigned char>((*rest)[1]);
  std::size_t header = 2;
  if (length & 0x80) {
    const std::size_t count = length & 0x7F;
    // Definite lengths of up to four bytes; a certificate has no more.
    if (count == 0 || count > 4 || rest->size() < 2 + count) return false;
    length = 0;
    for (std::size_t i = 0; i < count; ++i)
      length = (length << 8) | static_cast<unsigned char>((*rest)[2 + i]);
    header += count;
  }
  if (length > rest->size() - header) return false;
  *contents = rest->substr(header, length);
  rest->remove_prefix(header + length);
  return true;
}

}  // namespace

bool CertificateSerialNumber(std::string_view der, std::u16string* serial) {
  unsigned char tag = 0;
  std::string_view certificate, tbs, element;
  if (!NextElement(&der, &tag, &certificate) || tag != 0x30) return false;
  if (!NextElement(&certificate, &tag, &tbs) || tag != 0x30) return false;
  if (!NextElement(&tbs, &tag, &element)) return false;
  // The version, [0] EXPLICIT, comes first when it is not version 1.
  if (tag == 0xA0 && !NextElement(&tbs, &tag, &element)) return false;
  if (tag != 0x02 || element.empty()) return false;
  // A leading zero only keeps a positive number positive.
  if (element.size() > 1 && element[0] == '\0') element.remove_prefix(1);
  if (element.size() > kMaxSerialBytes) return false;
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  serial->clear();
  for (char byte : element) {
    const auto b = static_cast<unsigned char>(byte);
    serial->push_back(kHex[b >> 4]);
    serial->push_back(kHex[b & 0xF]);
  }
  return true;
}

bool RemoveMakerCertificate(platform::Platform& platform, InstallLog& log,
                            std::u16string_view folder) {
  std::u16string path(folder);
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  path += kMakerCertificateFile;
  std::string der;
  std::u16string serial;
  const platform::Win32Error read = platform.shell.read_file(path, kMaxCertificateBytes, &der);
  if (read != platform::kErrorSuccess || !CertificateSerialNumber(der, &serial)) {
    log.Write(u"step1", u"certificate " + Quoted(path),
              read != platform::kErrorSuccess
                  ? u"not read, " + ErrorResult(read) + u"; nothing removed"
                  : std::u16string(u"not a certificate; nothing removed"));
    return true;
  }
  // By its full path (a bare name is looked for in other folders first),
  // as Step 2 ran it, and in the system folder: a program's current folder
  // cannot be removed while it runs, and the package removes the
  // installer's folder next.
  const std::u16string system = platform.shell.system_directory();
  const std::u16string certutil = system + u"\\certutil.exe";
  for (const char16_t* store : {u"trustedpublisher", u"root"}) {
    const std::u16string parameters = platform::format(u" -delstore %s %s", {store, serial});
    const std::u16string command = certutil + parameters;
    platform::ScopedProcess process(platform.processes);
    const platform::Win32Error started =
        platform.processes.shell_execute_runas(certutil, parameters, system, process.receive());
    if (started != platform::kErrorSuccess) {
      log.Write(u"step1", u"run-as " + Quoted(command), u"not started, " + ErrorResult(started));
      continue;
    }
    if (!WaitForChild(platform.processes, process.get(), kCertUtilLimitMs, log, u"step1", command))
      return false;
    std::uint32_t code = 0;
    const platform::Win32Error read_code = platform.processes.get_exit_code(process.get(), &code);
    log.Write(u"step1", u"run-as " + Quoted(command), ExitResult(read_code, code));
  }
  return true;
}

}  // namespace pelmora
