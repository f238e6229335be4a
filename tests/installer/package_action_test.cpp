// The package's custom actions: its properties to the installer's command
// line, and the installer's exit code to the package's result.
#include <gtest/gtest.h>

#include "exit_codes.h"
#include "package_action/package_action.h"
#include "platform/util/text.h"

namespace pelmora {
namespace {

TEST(PackageAction, PropertiesBecomeTheInstallersSwitchesOrAReason) {
  const std::u16string folder = u"C:\\Program Files (x86)\\Orvane\\Pelmora\\";
  const std::u16string program = u"\"C:\\Program Files (x86)\\Orvane\\Pelmora\\Pelmora.exe\" /quiet";
  struct Case {
    const char16_t* data;  // after INSTALLDIR|
    std::u16string command;  // after the program and /quiet; empty: refused
    const char* error = "";
  };
  const std::vector<Case> cases = {
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
  EXPECT_EQ(RemoveCommandLine(u"C:\\P", 13, u""), u"\"C:\\P\\Pelmora.exe\" /quiet /remove /model 13");
  EXPECT_EQ(RemoveCommandLine(u"C:\\P\\", 0, u"C:\\l.log"),
            u"\"C:\\P\\Pelmora.exe\" /quiet /remove /model 0 /log \"C:\\l.log\"");
}

TEST(PackageAction, OnlySuccessCodesKeepThePackageAndWaitsHaveALimit) {
  for (std::uint32_t code : {kExitSuccess, kExitStaged})
    EXPECT_EQ(OutcomeOf(code), PackageOutcome::kSuccess) << code;
  EXPECT_EQ(OutcomeOf(kExitRebootRequired), PackageOutcome::kRestart);
  for (std::uint32_t code :
       {kExitNotAdministrator, kExitChildTimeout, kExitSpoolerStopped, kExitPrinterNotFound,
        kExitQueueTimeout, kExitCancelled, kExitRemovalFailed, kExitAnotherRun,
        kExitPreparationFailed, kExitBadCommandLine, kExitPortNotCreated, kExitQueueNotCreated,
        kExitPreinstallFailed, kExitNoSockets, 1u, 0xFFFFFFFFu})
    EXPECT_EQ(OutcomeOf(code), PackageOutcome::kFailure) << code;

  PackageRequest request;
  EXPECT_EQ(InstallerWaitLimitMs(request), 30u * 60u * 1000u);
  request.wait = u"600";
  EXPECT_EQ(InstallerWaitLimitMs(request), 40u * 60u * 1000u);
  for (const char16_t* odd : {u"x", u"86401", u"99999999999999999999"}) {
    request.wait = odd;
    EXPECT_EQ(InstallerWaitLimitMs(request), 30u * 60u * 1000u);
  }
}

}  // namespace
}  // namespace pelmora
