// The ports handed to the programs' logic. One Platform is made at start-up
// (the real Windows, or a simulated one in tests) and passed down.
#pragma once

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/device_interfaces.h"
#include "platform/device_io.h"
#include "platform/devices.h"
#include "platform/print_server.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/setup_api.h"
#include "platform/shell.h"
#include "platform/smart_cards.h"
#include "platform/sockets.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "platform/threads.h"

namespace platform {

struct Platform {
  Registry& registry;
  SystemInfo& system;
  Shell& shell;
  Spooler& spooler;
  Devices& devices;
  Desktop& desktop;
  Clock& clock;
  Processes& processes;
  Services& services;
  SetupApi& setup_api;
  DeviceIo& device_io;
  DeviceInterfaces& device_interfaces;
  SmartCards& smart_cards;
  PrintServer& print_server;
  Threads& threads;
  Sockets& sockets;
};

}  // namespace platform
