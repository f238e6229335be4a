// The package's custom actions: its properties to the installer's command
// line, and the installer's exit code to the package's result.
#include "package_action/package_action.h"

#include <gtest/gtest.h>

#include "exit_codes.h"
#include "operations/certificate.h"
#include "platform/util/text.h"

namespace pelmora {
namespace {

TEST(PackageAction, PropertiesBecomeTheInstallersSwitchesOrAReason) {
  const std::u16string folder = u"C:\\Program Files (x86)\\Orvane\\Pelmora\\";
  const std::u16string program =
      u"\"C:\\Program Files (x86)\\Orvane\\Pelmora\\Pelmora.exe\" /quiet";
  const struct Case {
    const char16_t* data;    // after INSTALLDIR|
    std::u16string command;  // after the program and /quiet; empty: refused
    const char* error = "";
  } cases[] = {
      {u"USB|0|||", u" /usb /model \"0\""},
      {u"usb|3||30|C:\\Logs\\p.log", u" /usb /wait \"30\" /model \"3\" /log \"C:\\Logs\\p.log\""},
      {u"USB||||", u" /usb"},
      {u"NETWORK|6|K7M2P4T9||", u" /network \"K7M2P4T9\" /model \"6\""},
      {u"Network|all|K7M2P4T9:10.0.0.7||", u" /network \"K7M2P4T9:10.0.0.7\" /model 16"},
      // The installer refuses what it does not know, with 1639.
      {u"USB|17|||", u" /usb /model \"17\""},
      {u"NETWORK|0|||", u"", "CONNECTION=NETWORK needs PRINTER"},
      {u"NETWORK|0|K7M2P4T9|30|", u"", "WAIT goes only with CONNECTION=USB"},
      {u"USB|0|K7M2P4T9||", u"", "PRINTER goes only with CONNECTION=NETWORK"},
      {u"SERIAL|0|||", u"", "CONNECTION is USB or NETWORK, not \"SERIAL\""},
      {u"|0|||", u"", "CONNECTION is USB or NETWORK, not \"\""},
      {u"USB|0\" /remove \"|||", u"", "a property holds a double quote: 0\" /remove \""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::to_utf8(c.data));
    PackageRequest request;
    ASSERT_TRUE(ParsePackageRequest(folder + u"|" + c.data, &request));
    std::u16string command, error;
    const bool built = InstallCommandLine(request, &command, &error);
    EXPECT_EQ(built, !c.command.empty());
    EXPECT_EQ(command, c.command.empty() ? u"" : program + c.command);
    EXPECT_EQ(platform::to_utf8(error), c.error);
  }
  PackageRequest request;
  EXPECT_FALSE(ParsePackageRequest(u"C:\\P|USB|0||", &request));
  EXPECT_FALSE(ParsePackageRequest(u"C:\\P|USB|0||||", &request));
  ASSERT_TRUE(ParsePackageRequest(u"|USB|0|||", &request));
  std::u16string command, error;
  EXPECT_FALSE(InstallCommandLine(request, &command, &error));

  // The folder without its last backslash; the removal names the model.
  EXPECT_EQ(RemoveCommandLine(u"C:\\P", 13, u""),
            u"\"C:\\P\\Pelmora.exe\" /quiet /remove /model 13");
  EXPECT_EQ(RemoveCommandLine(u"C:\\P\\", 0, u"C:\\l.log"),
            u"\"C:\\P\\Pelmora.exe\" /quiet /remove /model 0 /log \"C:\\l.log\"");
}

TEST(PackageAction, OnlySuccessCodesKeepThePackageAndWaitsHaveALimit) {
  for (std::uint32_t code : {kExitSuccess, kExitStaged})
    EXPECT_EQ(OutcomeOf(code), PackageOutcome::Success) << code;
  EXPECT_EQ(OutcomeOf(kExitRebootRequired), PackageOutcome::Restart);
  for (std::uint32_t code :
       {kExitNotAdministrator, kExitChildTimeout, kExitSpoolerStopped, kExitPrinterNotFound,
        kExitQueueTimeout, kExitCancelled, kExitRemovalFailed, kExitAnotherRun,
        kExitPreparationFailed, kExitBadCommandLine, kExitPortNotCreated, kExitQueueNotCreated,
        kExitPreinstallFailed, kExitNoSockets, 1u, 0xFFFFFFFFu})
    EXPECT_EQ(OutcomeOf(code), PackageOutcome::Failure) << code;

  PackageRequest request;
  EXPECT_EQ(InstallerWaitLimitMs(request), 30u * 60u * 1000u);
  request.wait = u"600";
  EXPECT_EQ(InstallerWaitLimitMs(request), 40u * 60u * 1000u);
  for (const char16_t* odd : {u"x", u"86401", u"99999999999999999999"}) {
    request.wait = odd;
    EXPECT_EQ(InstallerWaitLimitMs(request), 30u * 60u * 1000u);
  }
}

TEST(MakerCertificate, TheSerialNumberIsReadFromTheDerOrNothingIs) {
  // Only what comes before the serial number matters; the rest is filler.
  auto der = [](std::string tbs_front) {
    const std::string tbs =
        "\x30" + std::string(1, static_cast<char>(tbs_front.size())) + tbs_front;
    return "\x30" + std::string(1, static_cast<char>(tbs.size())) + tbs;
  };
  const std::string v3 = std::string("\xA0\x03\x02\x01\x02", 5);
  const std::vector<std::pair<std::string, const char16_t*>> cases = {
      {der(v3 + std::string("\x02\x03\x01\x00\xFF", 5)), u"0100ff"},
      {der(std::string("\x02\x01\x05", 3)), u"05"},           // version 1: no [0]
      {der(v3 + std::string("\x02\x02\x00\x80", 4)), u"80"},  // a sign byte
      {der(v3 + "\x02\x14" + std::string(20, '\x11')), u"1111111111111111111111111111111111111111"},
      {std::string("\x30\x81\x07\x30\x05\x02\x03\xAB\xCD\xEF", 10), u"abcdef"},  // long form
      {der(v3 + "\x02\x15" + std::string(21, '\x11')), nullptr},                 // 21 bytes
      {der(v3 + std::string("\x02\x00", 2)), nullptr},                           // empty
      {der(v3 + std::string("\x04\x01\x05", 3)), nullptr},                       // not an INTEGER
      {der(v3), nullptr},                                         // nothing after the version
      {std::string("\x31\x05\x30\x03\x02\x01\x05", 7), nullptr},  // a SET outside
      {std::string("\x30\x05\x30\x03\x02\x05\x05", 7), nullptr},  // a length past the end
      {std::string("\x30\x85\x00\x00\x00\x00\x05", 7), nullptr},  // a five-byte length
      {std::string("\x30\x80\x30\x03\x02\x01\x05\x00\x00", 9), nullptr},  // indefinite
      {std::string("\x30", 1), nullptr},
      {std::string(), nullptr},
  };
  for (const auto& [bytes, expected] : cases) {
    std::u16string serial = u"unchanged";
    const bool read = CertificateSerialNumber(bytes, &serial);
    EXPECT_EQ(read, expected != nullptr) << ::testing::PrintToString(bytes);
    EXPECT_EQ(serial, expected ? expected : u"unchanged");
  }
}

}  // namespace
}  // namespace pelmora
