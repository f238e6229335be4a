// The maker's code-signing certificate, which Step 2 adds to the trusted
// publishers and the trusted root certificates (certutil -addstore) so that
// Windows takes the driver packages without asking; /remove takes it out
// of both again (certutil -delstore, naming it by its serial number).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace pelmora {

class InstallLog;

// The certificate file, in the installer's folder.
inline constexpr char16_t kMakerCertificateFile[] = u"Bin\\tvcert1.cer";
// A certificate file is read up to this many bytes.
inline constexpr std::size_t kMaxCertificateBytes = 64 * 1024;

// The serial number of a DER-encoded X.509 certificate as certutil takes
// it: its bytes in hexadecimal, high byte first. False for anything that is
// not a certificate's DER (truncated, other tags, lengths past the end, a
// serial number that is empty or longer than 20 bytes).
bool CertificateSerialNumber(std::string_view der, std::u16string* serial);

// Runs certutil -delstore for the trusted publishers and the trusted root
// certificates with the serial number of `folder`\Bin\tvcert1.cer, each
// waited for with a limit; the log says what was done. A missing or
// unreadable file removes nothing. Returns false when certutil did not end
// within its limit.
bool RemoveMakerCertificate(platform::Platform& platform, InstallLog& log,
                            std::u16string_view folder);

}  // namespace pelmora
