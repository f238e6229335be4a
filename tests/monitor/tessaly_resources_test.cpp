// Tessaly.exe's resource script as the resource compiler reads it: the
// numbers behind the names, the tray menu in order with its command ids and
// marks, the hidden dialog and the manifest it carries.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "resources/tessaly_ids.h"

namespace {

std::string read_file(const std::string& name) {
  std::ifstream in(std::string(TESSALY_RESOURCES_DIR) + "/" + name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// "#define NAME number" lines of the ids header.
std::map<std::string, long> defines() {
  std::map<std::string, long> found;
  const std::string header = read_file("tessaly_ids.h");
  const std::regex define(R"(#define\s+(\w+)\s+(\d+)\s*\n)");
  for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it)
    found[(*it)[1]] = std::stol((*it)[2]);
  return found;
}

struct MenuLine {
  std::string text;  // "-" for a separator, "POPUP name" for a submenu
  long id = 0;
  std::string options;
};

TEST(TessalyResources, TheTrayMenuCarriesTheCommandsInOrder) {
  const std::string script = read_file("tessaly.rc");
  ASSERT_FALSE(script.empty());
  const auto ids = defines();
  const std::size_t begin = script.find("IDR_TRAY_MENU MENU");
  ASSERT_NE(begin, std::string::npos);
  const std::size_t end = script.find("VS_VERSION_INFO", begin);
  std::istringstream block(script.substr(begin, end - begin));
  std::vector<MenuLine> lines;
  const std::regex item(R"re(^\s*MENUITEM\s+("[^"]*"|\w+)\s*,\s*(\w+)\s*(?:,\s*(\w+))?)re");
  const std::regex separator(R"(^\s*MENUITEM\s+SEPARATOR)");
  const std::regex popup(R"re(^\s*POPUP\s+"([^"]*)")re");
  std::string line;
  while (std::getline(block, line)) {
    std::smatch m;
    if (std::regex_search(line, m, separator)) {
      lines.push_back({"-", 0, ""});
    } else if (std::regex_search(line, m, popup)) {
      lines.push_back({"POPUP " + m[1].str(), 0, ""});
    } else if (std::regex_search(line, m, item)) {
      std::string text = m[1];
      if (text == "TESSALY_VERSION_TEXT") text = "\"" TESSALY_VERSION_TEXT "\"";
      ASSERT_TRUE(ids.count(m[2])) << m[2];
      lines.push_back({text.substr(1, text.size() - 2), ids.at(m[2]), m[3]});
    }
  }
  const std::vector<std::tuple<std::string, long, std::string>> expected = {
      {"POPUP TrayMenu", 0, ""},
      {"Tessaly 1.14.6.5", 32780, ""},
      {"-", 0, ""},
      {"POPUP Display", 0, ""},
      {"Off", 32788, "CHECKED"},
      {"Popup", 32785, ""},
      {"Always", 32786, ""},
      {"-", 0, ""},
      {"Uninstall Tessaly", 32773, ""},
      {"Close Tessaly", 32772, ""}};
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].text, std::get<0>(expected[i])) << i;
    EXPECT_EQ(lines[i].id, std::get<1>(expected[i])) << lines[i].text;
    EXPECT_EQ(lines[i].options, std::get<2>(expected[i])) << lines[i].text;
  }
  // The logic's names for the commands are the menu's numbers.
  EXPECT_EQ(ID_DISPLAY_POPUP, 32785);
  EXPECT_EQ(ID_DISPLAY_ALWAYS, 32786);
  EXPECT_EQ(ID_DISPLAY_OFF, 32788);
  EXPECT_EQ(ID_TRAY_UNINSTALL, 32773);
  EXPECT_EQ(ID_TRAY_CLOSE, 32772);
  EXPECT_EQ(ID_TRAY_VERSION, 32780);
}

TEST(TessalyResources, TheHiddenDialogTheIconAndTheManifest) {
  const std::string script = read_file("tessaly.rc");
  const auto ids = defines();
  EXPECT_EQ(ids.at("IDD_TESSALY_DIALOG"), 102);
  EXPECT_EQ(ids.at("IDR_MAINFRAME"), 128);
  EXPECT_EQ(ids.at("IDR_TRAY_MENU"), 130);
  for (const char* line :
       {"IDD_TESSALY_DIALOG DIALOGEX 0, 0, 172, 127",
        "STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION", "CAPTION \"Tessaly\"",
        "FONT 8, \"MS Shell Dlg\"", "IDR_MAINFRAME ICON \"tessaly.ico\""})
    EXPECT_NE(script.find(line), std::string::npos) << line;
  // A manifest of its own, for both architectures: common controls 6, no
  // elevation, DPI aware.
  for (const char* arch : {"x86", "amd64"}) {
    const std::string name = std::string("tessaly-") + arch + ".manifest";
    EXPECT_NE(script.find("1 RT_MANIFEST \"" + name + "\""), std::string::npos) << name;
    const std::string manifest = read_file(name);
    for (const std::string& part :
         {std::string("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
          "processorArchitecture=\"" + std::string(arch) + "\" publicKeyToken",
          std::string("<requestedExecutionLevel level=\"asInvoker\""),
          std::string(">true</dpiAware>")})
      EXPECT_NE(manifest.find(part), std::string::npos) << name << ": " << part;
  }
}

}  // namespace
