// zelkonet usb: the card printers on USB, found with the installer's own USB
// search, on this Windows or on a simulated USB machine described in a file.
#pragma once

namespace zelkonet {

// argv holds the words after "usb". Exit status as for the other commands.
int run_usb_command(int argc, char** argv);

}  // namespace zelkonet
