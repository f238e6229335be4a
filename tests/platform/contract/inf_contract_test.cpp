// One contract for the SetupAPI INF calls and the driver store: the
// simulated Windows on every build, the real one in the Windows build, run
// under Wine here.
#include "files_contract.h"

namespace {

using namespace platform;

template <typename Under>
class InfContract : public FilesContract<Under> {};
TYPED_TEST_SUITE(InfContract, FileImplementations, test_support::ContractNames<SimulatedFiles>);

constexpr char kPackageInf[] =
    "; a printer package\r\n"
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Class=Printer\r\n"
    "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"
    "Provider=%Maker%\r\n"
    "\r\n"
    "[SourceDisksNames]\r\n"
    "100 = %DiskName%,,,\r\n"
    "101 = \"Say \"\"hi\"\"\" , , ; a comment\r\n"
    "\r\n"
    "[SourceDisksNames.amd64]\r\n"
    "102 = \"Only for x64\"\r\n"
    "\r\n"
    "[SourceDisksNames.x86]\r\n"
    "102 = \"Only for x86\"\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Maker = \"Orvane\"\r\n"
    "DiskName = \"Orvane ZELKO-70 Card Printer\"\r\n";

TYPED_TEST(InfContract, InfFilesAreListedAndReadAsSetupApiReadsThem) {
  SetupApi& setup = this->under_.setup_api();
  this->under_.write(this->at(u"zelko.inf"), kPackageInf);
  this->under_.write(this->at(u"old.inf"), "[Version]\r\nProvider=Someone\r\n");
  this->under_.write(this->at(u"readme.txt"), "not an INF");

  std::u16string list;
  ASSERT_EQ(kErrorSuccess, setup.get_inf_file_list(this->root_, kInfStyleWin4, &list));
  // One name, its zero, the list's zero.
  EXPECT_EQ(list, std::u16string(u"zelko.inf\0\0", 11));

  InfHandle inf = 0;
  ASSERT_EQ(kErrorSuccess, setup.open_inf(this->at(u"zelko.inf"), kInfStyleWin4, &inf));
  std::u16string text;
  ASSERT_EQ(kErrorSuccess, setup.get_source_info(inf, 100, kSrcInfoDescription, 1024, &text));
  EXPECT_EQ(text, u"Orvane ZELKO-70 Card Printer");
  ASSERT_EQ(kErrorSuccess, setup.get_source_info(inf, 101, kSrcInfoDescription, 1024, &text));
  EXPECT_EQ(text, u"Say \"hi\"");
  // The section decorated for the caller's platform is read first.
  ASSERT_EQ(kErrorSuccess, setup.get_source_info(inf, 102, kSrcInfoDescription, 1024, &text));
  EXPECT_EQ(text, this->under_.process_64bit() ? u"Only for x64" : u"Only for x86");
  // Too small a buffer reads nothing (Wine then answers success with an empty
  // text, Windows ERROR_INSUFFICIENT_BUFFER); a missing disk is an error.
  const Win32Error small = setup.get_source_info(inf, 100, kSrcInfoDescription, 10, &text);
  EXPECT_TRUE(text.empty());
  if (!this->under_.under_wine()) {
    EXPECT_EQ(kErrorInsufficientBuffer, small);
  }
  EXPECT_NE(kErrorSuccess, setup.get_source_info(inf, 300, kSrcInfoDescription, 1024, &text));
  setup.close_inf(inf);

  InfHandle missing = 0x1234;
  EXPECT_NE(kErrorSuccess, setup.open_inf(this->at(u"none.inf"), kInfStyleWin4, &missing));
  EXPECT_EQ(0u, missing);
}

// A package with files: the GPD in a subfolder, the INI beside the INF,
// both copied by the install section.
constexpr char kPackageWithFilesInf[] =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Class=Printer\r\n"
    "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"
    "Provider=Orvane\r\n"
    "[Manufacturer]\r\n"
    "Orvane=Models,NTx86,NTamd64\r\n"
    "[Models.NTamd64]\r\n"
    "\"Orvane ZELKO-70 Card Printer\" = ZELKO_Install, USBPRINT\\OrvaneOrvane_ZELKO-70F3A\r\n"
    "[ZELKO_Install]\r\n"
    "CopyFiles=ZELKO_Files,@pelmorafiles.ini\r\n"
    "[ZELKO_Files]\r\n"
    "pelmorafiles.gpd\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=66000\r\n"
    "[SourceDisksNames]\r\n"
    "100 = \"Orvane ZELKO-70 Card Printer\"\r\n"
    "[SourceDisksFiles]\r\n"
    "pelmorafiles.gpd = 100,data\r\n"
    "pelmorafiles.ini = 100\r\n";

TYPED_TEST(InfContract, APackageGoesIntoTheStoreOnlyWithEveryFileItsInfNames) {
  SetupApi& setup = this->under_.setup_api();
  ASSERT_EQ(kErrorSuccess, this->shell().create_directory(this->at(u"disk1")));
  ASSERT_EQ(kErrorSuccess, this->shell().create_directory(this->at(u"disk1\\data")));
  const std::u16string source = this->at(u"disk1\\pelmorafiles.inf");
  this->under_.write(source, kPackageWithFilesInf);
  struct Row {
    const char16_t* add;  // written before the attempt
    Win32Error expected;
  };
  // Windows stages the whole package and refuses one with a file missing;
  // Wine 8 copies the INF alone.
  for (const Row& row :
       {Row{nullptr, kErrorFileNotFound}, Row{u"disk1\\data\\pelmorafiles.gpd", kErrorFileNotFound},
        Row{u"disk1\\pelmorafiles.ini", kErrorSuccess}}) {
    if (row.add) this->under_.write(this->at(row.add), "file");
    std::u16string name;
    const Win32Error copied = setup.copy_oem_inf(source, &name);
    if (!this->under_.under_wine()) {
      EXPECT_EQ(row.expected, copied) << (row.add ? to_utf8(row.add) : "nothing");
    }
    if (copied == kErrorSuccess) {
      EXPECT_EQ(kErrorSuccess, setup.uninstall_oem_inf(name, kSuoiForceDelete)) << to_utf8(name);
    } else {
      EXPECT_TRUE(name.empty()) << to_utf8(name);
    }
  }
  // Only an administrator adds to the driver store; the real side runs as
  // one here.
  if (this->under_.drop_administrator()) {
    std::u16string name;
    EXPECT_EQ(kErrorAccessDenied, setup.copy_oem_inf(source, &name));
  }
}

TYPED_TEST(InfContract, PackagesGoIntoTheInfFolderAndOut) {
  SetupApi& setup = this->under_.setup_api();
  Shell& shell = this->shell();
  const std::u16string source = this->at(u"pelmoracontract.inf");
  this->under_.write(source, kPackageInf);
  std::u16string name;
  ASSERT_EQ(kErrorSuccess, setup.copy_oem_inf(source, &name));
  std::u16string windows;
  ASSERT_TRUE(shell.special_folder(kCsidlWindows, &windows));
  const std::u16string installed = windows + u"\\INF\\" + name;
  EXPECT_TRUE(shell.file_exists(installed));
  if (this->under_.under_wine()) {
    // Wine keeps the INF's own name; Windows names it oem<N>.inf.
    EXPECT_TRUE(equals_ignore_ascii_case(name, u"pelmoracontract.inf")) << to_utf8(name);
  } else {
    EXPECT_EQ(name.rfind(u"oem", 0), 0u) << to_utf8(name);
  }
  // The package is found among the system's INF files by its disk name.
  std::u16string list;
  ASSERT_EQ(kErrorSuccess, setup.get_inf_file_list(windows + u"\\INF", kInfStyleWin4, &list));
  EXPECT_NE(list.find(name), std::u16string::npos);
  // Asked with no folder, Windows lists its INF folder; Wine lists no name
  // (its list is the closing zero alone).
  ASSERT_EQ(kErrorSuccess, setup.get_inf_file_list({}, kInfStyleWin4, &list));
  if (this->under_.under_wine()) {
    EXPECT_EQ(list.find_first_not_of(u'\0'), std::u16string::npos) << to_utf8(list);
  } else {
    EXPECT_NE(list.find(name), std::u16string::npos);
  }
  // Either way the system's INF files are found, in the system Windows folder.
  std::u16string system_windows;
  ASSERT_EQ(kErrorSuccess,
            list_system_inf_files(setup, shell, kInfStyleWin4, &list, &system_windows));
  EXPECT_NE(list.find(name), std::u16string::npos);
  EXPECT_TRUE(equals_ignore_ascii_case(system_windows, windows)) << to_utf8(system_windows);

  EXPECT_EQ(kErrorSuccess, setup.uninstall_oem_inf(name, kSuoiForceDelete));
  EXPECT_FALSE(shell.file_exists(installed));
}

}  // namespace
