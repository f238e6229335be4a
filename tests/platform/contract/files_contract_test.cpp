// One contract for the file calls of the shell port: the simulated Windows
// on every build, the real one in the Windows build, run under Wine here.
// Each run works in a folder of its own.
#include "files_contract.h"

namespace {

using namespace platform;

TYPED_TEST_SUITE(FilesContract, FileImplementations, test_support::ContractNames<SimulatedFiles>);

TYPED_TEST(FilesContract, FoldersAndFilesKeepWindowsRules) {
  Shell& shell = this->shell();
  EXPECT_EQ(kErrorAlreadyExists, shell.create_directory(this->root_));
  EXPECT_EQ(kErrorPathNotFound, shell.create_directory(this->at(u"a\\b")));
  EXPECT_EQ(kFileAttributeDirectory, shell.file_attributes(this->root_) & kFileAttributeDirectory);
  EXPECT_FALSE(shell.file_exists(this->at(u"missing.txt")));

  const std::u16string file = this->at(u"tool.exe");
  this->under_.write(file, "MZ");
  ASSERT_TRUE(shell.file_exists(file));
  // A read-only file cannot be deleted until the attribute is cleared.
  const std::uint32_t attributes = shell.file_attributes(file);
  ASSERT_EQ(kErrorSuccess, shell.set_file_attributes(file, attributes | kFileAttributeReadOnly));
  EXPECT_EQ(kErrorAccessDenied, shell.delete_file(file));
  ASSERT_EQ(kErrorSuccess, shell.set_file_attributes(file, kFileAttributeNormal));
  EXPECT_EQ(0u, shell.file_attributes(file) & kFileAttributeReadOnly);
  EXPECT_EQ(kErrorSuccess, shell.delete_file(file));
  EXPECT_EQ(kErrorFileNotFound, shell.delete_file(file));
  EXPECT_EQ(kErrorPathNotFound, shell.delete_file(this->at(u"nowhere\\tool.exe")));

  // Copies: overwrite or refuse, never into a missing folder.
  const std::u16string source = this->at(u"Pexlink2.dll");
  const std::u16string target = this->at(u"copy.dll");
  this->under_.write(source, "first");
  ASSERT_EQ(kErrorSuccess, shell.copy_file(source, target, true));
  this->under_.write(source, "second");
  EXPECT_EQ(80u, shell.copy_file(source, target, true));  // ERROR_FILE_EXISTS
  EXPECT_EQ("first", this->read(target));
  EXPECT_EQ(kErrorSuccess, shell.copy_file(source, target, false));
  EXPECT_EQ("second", this->read(target));
  EXPECT_EQ(kErrorFileNotFound, shell.copy_file(this->at(u"none.dll"), target, false));
  EXPECT_EQ(kErrorPathNotFound, shell.copy_file(source, this->at(u"none\\copy.dll"), false));
}

TYPED_TEST(FilesContract, ShellOperationsCopyAndDeleteWholeFolders) {
  Shell& shell = this->shell();
  const std::u16string package = this->at(u"ZELKO");
  ASSERT_EQ(kErrorSuccess, shell.create_directory(package));
  ASSERT_EQ(kErrorSuccess, shell.create_directory(package + u"\\data"));
  this->under_.write(package + u"\\ZELKO.inf", "inf");
  this->under_.write(package + u"\\data\\ZELKO.gpd", "gpd");

  // The folder's contents into a folder that does not exist yet.
  const std::u16string installed = this->at(u"Driver");
  EXPECT_EQ(
      0, shell.file_operation(kFoCopy, package + u"\\*.*", installed, kQuiet | kFofNoConfirmMkdir));
  EXPECT_EQ("inf", this->read(installed + u"\\ZELKO.inf"));
  EXPECT_EQ("gpd", this->read(installed + u"\\data\\ZELKO.gpd"));
  // A folder into an existing folder keeps its name there.
  EXPECT_EQ(0, shell.file_operation(kFoCopy, package, installed, kQuiet));
  EXPECT_EQ("inf", this->read(installed + u"\\ZELKO\\ZELKO.inf"));

  // Deleting takes the folder with everything in it, read-only files too.
  ASSERT_EQ(kErrorSuccess,
            shell.set_file_attributes(installed + u"\\ZELKO.inf", kFileAttributeReadOnly));
  EXPECT_EQ(0, shell.file_operation(kFoDelete, installed, u"", kQuiet));
  EXPECT_FALSE(shell.file_exists(installed));
  EXPECT_FALSE(shell.file_exists(installed + u"\\data\\ZELKO.gpd"));
  EXPECT_TRUE(shell.file_exists(package + u"\\data\\ZELKO.gpd"));
  // Nothing to delete is a failure the callers may ignore.
  EXPECT_NE(0, shell.file_operation(kFoDelete, installed, u"", kQuiet));

  std::u16string windows, program_files;
  ASSERT_TRUE(shell.special_folder(kCsidlWindows, &windows));
  ASSERT_TRUE(shell.special_folder(kCsidlProgramFiles, &program_files));
  EXPECT_TRUE(equals_ignore_ascii_case(windows, u"C:\\Windows"));
  EXPECT_TRUE(equals_ignore_ascii_case(shell.system_directory(), windows + u"\\system32"));
  // Not a Terminal Server: the system's Windows folder is the one shown.
  EXPECT_TRUE(equals_ignore_ascii_case(shell.system_windows_directory(), windows));
  EXPECT_EQ(program_files.rfind(u"C:\\Program Files", 0), 0u) << to_utf8(program_files);
}

TYPED_TEST(FilesContract, PathsFollowWindowsNameRules) {
  Shell& shell = this->shell();
  // The last component loses its trailing spaces and dots: "<folder>\ " is
  // the folder itself.
  EXPECT_EQ(kErrorAlreadyExists, shell.create_directory(this->root_ + u"\\ "));
  ASSERT_EQ(kErrorSuccess, shell.create_directory(this->at(u"Driver. . ")));
  EXPECT_EQ(kFileAttributeDirectory,
            shell.file_attributes(this->at(u"Driver")) & kFileAttributeDirectory);
  EXPECT_EQ(kErrorAlreadyExists, shell.create_directory(this->at(u"driver.")));
  const std::u16string notes = this->at(u"Driver\\notes.txt");
  this->under_.write(notes + u". ", "notes");
  EXPECT_EQ("notes", this->read(notes));
  // A blank component in the middle is a folder that is not there.
  EXPECT_EQ(kErrorPathNotFound, shell.create_directory(this->at(u" \\Driver")));
  EXPECT_EQ(kErrorPathNotFound, shell.copy_file(notes, this->at(u" \\notes.txt"), false));
  EXPECT_EQ(kErrorPathNotFound, shell.delete_file(this->at(u" \\notes.txt")));
  // A middle component loses one trailing dot ("Driver.\" is "Driver\"), and
  // only one: "Driver..\" is a folder "Driver." that cannot be there.
  EXPECT_EQ("notes", this->read(this->at(u"Driver.\\notes.txt")));
  ASSERT_EQ(kErrorSuccess, shell.copy_file(notes, this->at(u"driver.\\copy.txt"), false));
  EXPECT_EQ("notes", this->read(this->at(u"Driver\\copy.txt")));
  EXPECT_EQ(kErrorPathNotFound, shell.create_directory(this->at(u"Driver..\\Data")));

  // The characters Windows refuses in a name, in the last component or in
  // one on the way.
  for (const char16_t* bad : {u"a<b", u"a>b", u"a:b", u"a\"b", u"a|b", u"a?b", u"a*b", u"a\x01-b",
                              u"tab\tname", u"a\x1F-b"}) {
    const std::u16string name(bad);
    // Wine 8 takes a colon as any other character of a name.
    if (name.find(u':') != std::u16string::npos && this->under_.under_wine()) continue;
    SCOPED_TRACE(to_utf8(name));
    EXPECT_EQ(kErrorInvalidName, shell.create_directory(this->at(name)));
    EXPECT_EQ(kErrorInvalidName, shell.create_directory(this->at(name + u"\\Driver")));
    EXPECT_EQ(kErrorInvalidName, shell.copy_file(notes, this->at(name + u"\\notes.txt"), false));
    EXPECT_EQ(kInvalidFileAttributes, shell.file_attributes(this->at(name)));
  }

  // Without a long-path manifest a full path holds MAX_PATH characters with
  // its zero, and a folder leaves room for an 8.3 name in it (12 fewer):
  // making one deeper says the name is too long, the other calls that the
  // path is not there. Wine 8 takes paths of any length.
  const std::u16string deep = this->root_ + u"\\" + std::u16string(239 - this->root_.size(), u'F');
  ASSERT_EQ(240u, deep.size());
  ASSERT_EQ(kErrorSuccess, shell.create_directory(deep));
  const std::u16string fits = deep + u"\\" + std::u16string(10, u'n') + u".log";      // 255
  const std::u16string too_long = deep + u"\\" + std::u16string(30, u'n') + u".log";  // 275
  EXPECT_EQ(kErrorSuccess, shell.append_file(fits, "x"));
  if (!this->under_.under_wine()) {
    EXPECT_EQ(kErrorFilenameExcedRange, shell.create_directory(deep + u"\\Driver.12"));
    EXPECT_EQ(kErrorFilenameExcedRange, shell.create_directory(too_long));
    EXPECT_EQ(kErrorPathNotFound, shell.append_file(too_long, "x"));
    EXPECT_EQ(kErrorPathNotFound, shell.copy_file(fits, too_long, false));
    EXPECT_EQ(kInvalidFileAttributes, shell.file_attributes(too_long));
  }

  // CON, PRN, AUX, NUL, COM1-9 and LPT1-9, alone or with any extension, in
  // any letter case, are devices: no folder of that name can be made, and
  // there is nothing under one.
  // So are CONIN$ and CONOUT$, a device name with a colon ("COM1:"), and,
  // since Windows 10, COM and LPT with a superscript 1, 2 or 3.
  for (const char16_t* device : {u"PRN", u"prn.inf", u"Prn .gpd", u"LPT1", u"COM9.ini", u"AUX",
                                 u"CON", u"NUL", u"nul.txt", u"CONIN$", u"conout$.txt", u"COM1:",
                                 u"nul:", u"COM\u00B9", u"lpt\u00B2.ini", u"Lpt\u00B3"}) {
    // Wine 8 knows no superscript device names: it makes such folders.
    const bool superscript = std::u16string_view(device).find_first_of(u"\u00B9\u00B2\u00B3") !=
                             std::u16string_view::npos;
    if (superscript && this->under_.under_wine()) continue;
    const Win32Error made = shell.create_directory(this->at(device));
    // Wine 8 answers success for NUL, where Windows refuses.
    if (!(this->under_.under_wine() && ascii_upper(device).starts_with(u"NUL"))) {
      EXPECT_NE(kErrorSuccess, made) << to_utf8(device);
    }
    EXPECT_EQ(0u, shell.file_attributes(this->at(device)) & kFileAttributeDirectory);
  }
  EXPECT_EQ(kErrorFileNotFound, shell.create_directory(this->at(u"PRN")));
  EXPECT_EQ(kErrorPathNotFound, shell.create_directory(this->at(u"PRN\\Driver")));
  // "PRN.inf" opens the printer device, which this machine does not have:
  // nothing is written there and nothing read back.
  EXPECT_FALSE(this->under_.try_write(this->at(u"PRN.inf"), "inf"));
  EXPECT_EQ(kErrorFileNotFound, shell.copy_file(notes, this->at(u"PRN.gpd"), false));
  EXPECT_EQ(kErrorFileNotFound, shell.append_file(this->at(u"prn.ini"), "x"));
  std::string contents;
  EXPECT_EQ(kErrorFileNotFound, shell.read_file(this->at(u"PRN.inf"), 1024, &contents));
  EXPECT_TRUE(contents.empty());
  EXPECT_EQ(kErrorFileNotFound, shell.delete_file(this->at(u"PRN.inf")));
  // NUL takes whatever is written and keeps none of it.
  EXPECT_EQ(kErrorSuccess, shell.copy_file(notes, this->at(u"NUL.gpd"), false));
  // Names that only begin like a device are files.
  this->under_.write(this->at(u"PRNuni.dll"), "uni");
  this->under_.write(this->at(u"COM0"), "com0");
  EXPECT_EQ("uni", this->read(this->at(u"PRNuni.dll")));
  EXPECT_EQ("com0", this->read(this->at(u"com0")));

  // So a package folder named PRN cannot exist, and copying it copies
  // nothing. Windows reports the missing source; Wine 8 copies nothing and
  // reports success.
  const int copied = shell.file_operation(kFoCopy, this->at(u"PRN"), this->at(u"Copy"), kQuiet);
  if (!this->under_.under_wine()) {
    EXPECT_NE(0, copied);
  }
  EXPECT_EQ(kInvalidFileAttributes, shell.file_attributes(this->at(u"Copy")));
}

TYPED_TEST(FilesContract, LogFilesAreOnlyEverAppendedTo) {
  Shell& shell = this->shell();
  std::u16string temp;
  ASSERT_EQ(kErrorSuccess, shell.temp_path(&temp));
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(u'\\', temp.back());
  EXPECT_EQ(kFileAttributeDirectory, shell.file_attributes(temp) & kFileAttributeDirectory)
      << to_utf8(temp);

  // Made when missing; every write lands behind what is there.
  const std::u16string log = this->at(u"Pelmora.log");
  ASSERT_EQ(kErrorSuccess, shell.append_file(log, "one\r\n"));
  ASSERT_EQ(kErrorSuccess, shell.append_file(log, "zwei \xC3\xBC\r\n"));
  EXPECT_EQ("one\r\nzwei \xC3\xBC\r\n", this->read(log));

  // Someone else writing it: refused until they let go, nothing lost.
  this->under_.hold_open(log);
  EXPECT_EQ(kErrorSharingViolation, shell.append_file(log, "three\r\n"));
  this->under_.release(log);
  EXPECT_EQ(kErrorSuccess, shell.append_file(log, "three\r\n"));
  EXPECT_EQ("one\r\nzwei \xC3\xBC\r\nthree\r\n", this->read(log));

  EXPECT_EQ(kErrorPathNotFound, shell.append_file(this->at(u"none\\Pelmora.log"), "x"));
  EXPECT_EQ(kErrorAccessDenied, shell.append_file(this->root_, "x"));
  // Windows refuses to write a read-only file; Wine 8 appends to it all the
  // same.
  if (!this->under_.under_wine()) {
    ASSERT_EQ(kErrorSuccess, shell.set_file_attributes(log, kFileAttributeReadOnly));
    EXPECT_EQ(kErrorAccessDenied, shell.append_file(log, "x"));
    ASSERT_EQ(kErrorSuccess, shell.set_file_attributes(log, kFileAttributeNormal));
    EXPECT_EQ("one\r\nzwei \xC3\xBC\r\nthree\r\n", this->read(log));
  }
}

// The strings of a REG_MULTI_SZ value, without the list's closing one.
std::vector<std::u16string> multi_strings(const RegistryValue& value) {
  std::vector<std::u16string> strings(1);
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const auto c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
    if (c == 0)
      strings.emplace_back();
    else
      strings.back().push_back(c);
  }
  // The last string's zero and the list's end leave two empty ones behind.
  while (strings.size() >= 2 && strings.back().empty() && strings[strings.size() - 2].empty())
    strings.pop_back();
  if (!strings.empty() && strings.back().empty()) strings.pop_back();
  return strings;
}

TYPED_TEST(FilesContract, FilesInUseWaitForTheRestart) {
  Shell& shell = this->shell();
  Registry& registry = this->under_.registry();
  const std::u16string source = this->at(u"new.dll");
  this->under_.write(source, "new");

  // Open for writing without FILE_SHARE_DELETE: neither deleted nor
  // written over, by either call.
  const std::u16string log = this->at(u"held.log");
  this->under_.write(log, "held");
  this->under_.hold_open(log);
  EXPECT_EQ(kErrorSharingViolation, shell.delete_file(log));
  EXPECT_EQ(kErrorSharingViolation, shell.copy_file(source, log, false));
  EXPECT_NE(0, shell.file_operation(kFoDelete, log, u"", kQuiet));
  EXPECT_NE(0, shell.file_operation(kFoCopy, source, log, kQuiet));
  this->under_.release(log);
  EXPECT_EQ("held", this->read(log));

  // A running program's image: not deleted, not written over, renamed.
  const std::u16string image = this->at(u"Tessaly.exe");
  const std::u16string aside = this->at(u"Tessaly.old");
  this->under_.map_image(image);
  EXPECT_EQ(kErrorAccessDenied, shell.delete_file(image));
  EXPECT_EQ(kErrorSharingViolation, shell.copy_file(source, image, false));
  EXPECT_NE(0, shell.file_operation(kFoDelete, image, u"", kQuiet));
  EXPECT_TRUE(shell.file_exists(image));
  EXPECT_EQ(kErrorAlreadyExists, shell.move_file(image, log, 0));
  ASSERT_EQ(kErrorSuccess, shell.move_file(image, aside, 0));
  EXPECT_EQ(kErrorAccessDenied, shell.delete_file(aside)) << "still running";

  // At the restart: written down in order, nothing moves now.
  RegKey session = 0;
  ASSERT_EQ(kErrorSuccess,
            registry.open_key(kHkeyLocalMachine, kSessionManagerKey, kKeyAllAccess, &session));
  RegistryValue before;
  const bool had =
      registry.query_value(session, kPendingFileRenameOperations, 1 << 20, &before) == 0;
  ASSERT_EQ(kErrorSuccess, shell.move_file(aside, u"", kMovefileDelayUntilReboot));
  ASSERT_EQ(kErrorSuccess,
            shell.move_file(source, image, kMovefileDelayUntilReboot | kMovefileReplaceExisting));
  // Windows refuses a delayed copy, a missing file and a target folder
  // that is not there; Wine 8 writes any pair down.
  if (!this->under_.under_wine()) {
    EXPECT_EQ(kErrorInvalidParameter,
              shell.move_file(source, image, kMovefileDelayUntilReboot | kMovefileCopyAllowed));
    EXPECT_EQ(kErrorFileNotFound,
              shell.move_file(this->at(u"none.dll"), image, kMovefileDelayUntilReboot));
    EXPECT_EQ(kErrorPathNotFound,
              shell.move_file(source, this->at(u"none\\new.dll"), kMovefileDelayUntilReboot));
  }
  EXPECT_TRUE(shell.file_exists(aside));
  EXPECT_EQ("new", this->read(source));
  RegistryValue after;
  ASSERT_EQ(kErrorSuccess,
            registry.query_value(session, kPendingFileRenameOperations, 1 << 20, &after));
  EXPECT_EQ(kRegMultiSz, after.type);
  const std::vector<std::u16string> strings = multi_strings(after);
  const std::size_t earlier = had ? multi_strings(before).size() : 0;
  ASSERT_GE(strings.size(), earlier + 4);
  const std::u16string expected[] = {u"\\??\\" + aside, u"", u"\\??\\" + source,
                                     u"!\\??\\" + image};
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_TRUE(equals_ignore_ascii_case(strings[earlier + i], expected[i]))
        << i << ": " << to_utf8(strings[earlier + i]);
  // Put back what was there: this Windows is not restarted by the test.
  if (had)
    registry.set_value(session, kPendingFileRenameOperations, before.type, before.data.data(),
                       before.data.size());
  else
    registry.delete_value(session, kPendingFileRenameOperations);
  registry.close_key(session);
  this->under_.unmap_image(aside);

  // Only an administrator may write the list.
  if (this->under_.drop_administrator()) {
    EXPECT_EQ(kErrorAccessDenied, shell.move_file(source, image, kMovefileDelayUntilReboot));
  }
}

// What the shell would ask or tell the user goes on the desktop's list,
// unless the flags say not to: the question before it makes a missing
// destination folder, and the box telling of a failure.
TEST(SimShellUi, QuestionsAndErrorBoxesAreRecordedUnlessTheFlagsSayNo) {
  sim::SimWindows win;
  ASSERT_TRUE(win.shell.put_file(u"C:\\Pkg\\a.inf", "inf"));
  EXPECT_EQ(0, win.shell.file_operation(kFoCopy, u"C:\\Pkg\\*.*", u"C:\\New",
                                        kQuiet | kFofNoConfirmMkdir));
  EXPECT_NE(0, win.shell.file_operation(kFoDelete, u"C:\\Missing", u"", kQuiet));
  EXPECT_TRUE(win.desktop.shown_ui().empty());
  EXPECT_EQ(0, win.shell.file_operation(kFoCopy, u"C:\\Pkg\\*.*", u"C:\\Other", kQuiet));
  EXPECT_NE(0, win.shell.file_operation(kFoDelete, u"C:\\Missing", u"",
                                        kFofSilent | kFofNoConfirmation | kFofNoConfirmMkdir));
  const auto shown = win.desktop.shown_ui();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, u"create the folder C:\\Other?");
  EXPECT_EQ(shown[1].text, u"error 2: C:\\Missing");
  EXPECT_TRUE(win.shell.has_file(u"C:\\Other\\a.inf"));
}

}  // namespace
