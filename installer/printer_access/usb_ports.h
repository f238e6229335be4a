// The ports the USB side of printer access goes through: the USB devices
// and their locks, the registry views Windows keeps of them, the smart-card
// service, and the clock of the fixed waits. A Platform has them all; a tool
// that replays a described machine hands over just these.
#pragma once

#include "platform/platform.h"

namespace pelmora {

struct UsbPorts {
  UsbPorts(platform::Platform& platform)  // a Platform serves wherever these do
      : registry(platform.registry),
        clock(platform.clock),
        device_io(platform.device_io),
        device_interfaces(platform.device_interfaces),
        smart_cards(platform.smart_cards) {}
  UsbPorts(platform::Registry& registry_, platform::Clock& clock_, platform::DeviceIo& device_io_,
           platform::DeviceInterfaces& device_interfaces_, platform::SmartCards& smart_cards_)
      : registry(registry_),
        clock(clock_),
        device_io(device_io_),
        device_interfaces(device_interfaces_),
        smart_cards(smart_cards_) {}

  platform::Registry& registry;
  platform::Clock& clock;
  platform::DeviceIo& device_io;
  platform::DeviceInterfaces& device_interfaces;
  platform::SmartCards& smart_cards;
};

}  // namespace pelmora
