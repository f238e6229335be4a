// The real Windows: one of each port over the system's own calls, and the
// Platform that hands them to the programs' logic. The twin of
// platform_sim/sim_windows.h.
#pragma once

#include "platform/platform.h"
#include "platform_net/net_sockets.h"
#include "platform_win32/win32_device_io.h"
#include "platform_win32/win32_processes.h"
#include "platform_win32/win32_registry.h"
#include "platform_win32/win32_services.h"
#include "platform_win32/win32_setup_api.h"
#include "platform_win32/win32_spooler.h"
#include "platform_win32/win32_system.h"
#include "platform_win32/win32_threads.h"

namespace platform_win32 {

class Win32Windows {
 public:
  Win32Windows()
      : platform{registry,    system,    shell,    spooler,   devices,   desktop,
                 clock,       processes, services, setup_api, device_io, device_interfaces,
                 smart_cards, spooler,   threads,  sockets} {}
  Win32Windows(const Win32Windows&) = delete;
  Win32Windows& operator=(const Win32Windows&) = delete;

  Win32Clock clock;
  Win32Registry registry;
  Win32Spooler spooler;
  Win32SystemInfo system;
  Win32Shell shell;
  Win32Devices devices;
  Win32Desktop desktop;
  Win32Processes processes;
  Win32Services services;
  Win32SetupApi setup_api;
  Win32DeviceIo device_io;
  Win32DeviceInterfaces device_interfaces;
  Win32SmartCards smart_cards;
  Win32Threads threads;
  platform_net::NetSockets sockets;
  platform::Platform platform;
};

}  // namespace platform_win32
