#include "support/simulated_queue.h"

namespace tessaly {

void add_simulated_queue(platform::sim::SimWindows& windows, const SimulatedQueue& queue) {
  platform::PrinterInfo2 info;
  info.printer_name = queue.queue_name;
  info.port_name = u"USB001";
  info.driver_name = queue.driver_name;
  info.attributes = queue.offline ? platform::kPrinterAttributeWorkOffline : 0;
  windows.spooler.add_queue(info);
  // The queue's driver, as Plug and Play installs it: for the print
  // server's own environment, x64 on 64-bit Windows.
  const bool windows64 = windows.system.wow64 || windows.system.process_64bit;
  const char16_t* environment = windows64 ? platform::kEnvironmentX64 : platform::kEnvironmentX86;
  if (!windows.spooler.has_driver_in(queue.driver_name, environment))
    windows.spooler.add_driver(queue.driver_name, environment);
  for (auto& value : driver_data_values(queue))
    windows.spooler.set_driver_data(queue.queue_name, value.name, value.type,
                                    std::move(value.data));
}

}  // namespace tessaly
