// Writes a family's driver package INF from its template: the model lines
// name each printer by the two hardware ids Windows' USB printing class
// gives it, as the table of platform/util/usb_print_ids.h lists them for
// the manufacturer and model of its IEEE 1284 device id.
//
//   media_inf TEMPLATE OUTPUT FAMILY MAKER DISK_NAME "model|device id maker"...
//
// Runs on the build machine, also for Windows builds.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/util/usb_print_ids.h"

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) {
    std::cerr << "usage: media_inf TEMPLATE OUTPUT FAMILY MAKER DISK_NAME MODEL|DEVICE_MAKER...\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = buffer.str();
  if (!in || text.empty()) {
    std::cerr << "media_inf: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string family = argv[3];
  std::string lines;
  for (int i = 6; i < argc; ++i) {
    const std::string row = argv[i];
    const std::size_t bar = row.find('|');
    if (bar == std::string::npos) {
      std::cerr << "media_inf: a row is \"model|device id maker\": " << row << "\n";
      return 2;
    }
    const std::string model = row.substr(0, bar);
    const platform::UsbPrintModel* ids = platform::find_usb_print_model(row.substr(bar + 1), model);
    if (ids == nullptr) {
      std::cerr << "media_inf: no hardware ids for \"" << model << "\" of \"" << row.substr(bar + 1)
                << "\" in platform/util/usb_print_ids.h\n";
      return 1;
    }
    lines += "\"" + model + "\" = " + family + "_Install, " + ids->hardware_id + ", " +
             ids->device_id + "\n";
  }
  replace_all(text, "\r\n", "\n");
  replace_all(text, "@MODEL_LINES@", lines);
  replace_all(text, "@FAMILY@", family);
  replace_all(text, "@MANUFACTURER@", argv[4]);
  replace_all(text, "@DISK_NAME@", argv[5]);
  replace_all(text, "\n", "\r\n");
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::cerr << "media_inf: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
