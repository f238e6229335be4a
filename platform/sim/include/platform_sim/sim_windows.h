// One simulated Windows: every simulated port over shared state, and the
// Platform that hands them to the programs' logic.
#pragma once

#include "platform/platform.h"
#include "platform_sim/faults.h"
#include "platform_sim/sim_plug_and_play.h"
#include "platform_sim/sim_processes.h"
#include "platform_sim/sim_registry.h"
#include "platform_sim/sim_services.h"
#include "platform_sim/sim_setup_api.h"
#include "platform_sim/sim_sockets.h"
#include "platform_sim/sim_spooler.h"
#include "platform_sim/sim_system.h"
#include "platform_sim/sim_threads.h"
#include "platform_sim/sim_usb_machine.h"

namespace platform::sim {

class SimWindows {
 public:
  SimWindows()
      : registry(faults),
        spooler(faults, registry),
        system(faults),
        shell(faults, system),
        devices(faults),
        processes(faults, shell),
        services(faults, clock),
        setup_api(faults, shell, system),
        usb(faults, clock),
        threads(faults),
        sockets(faults),
        plug_and_play(usb, devices, spooler, shell, system),
        platform{registry, system,    shell, spooler, devices, desktop, clock,   processes,
                 services, setup_api, usb,   usb,     usb,     spooler, threads, sockets} {
    // Plug and Play installs what was plugged in whenever the tree is
    // enumerated again.
    devices.on_reenumerate = [this] { plug_and_play.reenumerate(devices.last_reenumerate_flags); };
    // The spooler answers only while its service runs, and serves the
    // caller's own environment.
    spooler.service_running = [this] { return services.running(u"Spooler"); };
    spooler.default_environment = [this] {
      return std::u16string(system.process_64bit ? kEnvironmentX64 : kEnvironmentX86);
    };
    // The spooler of a 64-bit Windows is a 64-bit program: its own drivers
    // are the x64 ones, whatever its caller.
    spooler.server_environment = [this] {
      return std::u16string(system.wow64 || system.process_64bit ? kEnvironmentX64
                                                                 : kEnvironmentX86);
    };
    spooler.files = &shell;
    // The spooler's process holds what it loaded until it has stopped.
    shell.loaded_by_service = [this](const std::u16string& key) {
      return services.service(u"Spooler").state != SimServices::State::Stopped &&
             spooler.has_loaded(key);
    };
    shell.registry = &registry;
    processes.application_folder = [this] {
      return system.module_path.substr(0, system.module_path.find_last_of(u'\\'));
    };
    processes.session = [this] { return system.session; };
    processes.sleep = [this](std::uint32_t ms) { clock.sleep(ms); };
    // What the shell would show goes on the desktop's one list.
    shell.show_ui = [this](std::u16string_view call, std::u16string_view text) {
      desktop.record_ui(call, text);
    };
    // A 32-bit program on 64-bit Windows sees the registry's 32-bit view.
    registry.windows64 = [this] { return system.wow64 || system.process_64bit; };
    registry.wow64_caller = [this] { return system.wow64; };
    // Keys every Windows has (the second Run key is the one of the 32-bit
    // view, on 64-bit Windows).
    for (const char16_t* key :
         {u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
          u"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
          u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors",
          u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers", kSessionManagerKey})
      registry.ensure_key(kHkeyLocalMachine, key);
  }
  // Windows starts again: every program has ended and nothing is loaded or
  // open any more; the renames and deletions written down for the restart
  // are carried out.
  void restart() {
    processes.restart();
    spooler.unload_all();
    shell.restart();
  }
  SimWindows(const SimWindows&) = delete;
  SimWindows& operator=(const SimWindows&) = delete;

  Faults faults;
  SimClock clock;
  SimRegistry registry;
  SimSpooler spooler;
  SimSystemInfo system;
  SimShell shell;
  SimDevices devices;
  SimDesktop desktop;
  SimProcesses processes;
  SimServices services;
  SimSetupApi setup_api;
  SimUsbMachine usb;
  SimThreads threads;
  SimSockets sockets;
  SimPlugAndPlay plug_and_play;
  Platform platform;
};

}  // namespace platform::sim
