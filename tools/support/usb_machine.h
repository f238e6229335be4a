// A USB machine described in text: hubs with ports, the devices at those
// ports (card printers, smart-card readers, inner hubs, anything else), the
// PC/SC reader list, and named events that other processes hold or queue
// for. From this one description it answers the device ports (hub and
// printer requests in Windows' byte layouts, device-interface lists, smart
// cards) and writes the registry views Windows keeps of the same devices
// (Enum\USB, Enum\USBPRINT, the print queues' PnPData and driver data, the
// reader services' Enum keys).
//
// The simulated Windows answers its USB with one (platform_sim's
// SimUsbMachine), and zelkonet replays a customer's machine file on one.
// What it needs of the rest of a Windows comes through `Host` and
// `DeviceKeys` below.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/device_interfaces.h"
#include "platform/device_io.h"
#include "platform/smart_cards.h"
#include "platform/spooler.h"

namespace usb_machine {

using platform::DeviceHandle;
using platform::DevInfoSet;
using platform::EventHandle;
using platform::ScardContext;
using platform::ScardResult;
using platform::Win32Error;

// The Windows the machine is part of: the virtual time its printers' answers
// and the waits for its events take, and the failures injected into the
// calls it answers.
class Host {
 public:
  virtual ~Host() = default;
  virtual std::uint64_t now_ms() = 0;
  // Moves the time on to `ms`; never back.
  virtual void advance_to(std::uint64_t ms) = 0;
  // The error the Windows call `call` (on `detail`: a path, a name, a
  // control code) fails with, or kErrorSuccess.
  virtual Win32Error fault(std::string_view call, std::u16string_view detail) = 0;
};

// Where install() writes the views Windows keeps of the devices.
class DeviceKeys {
 public:
  virtual ~DeviceKeys() = default;
  // A value of a key under HKEY_LOCAL_MACHINE, made with its parents.
  virtual void put_value(std::u16string_view key, std::u16string_view name, std::uint32_t type,
                         std::vector<std::uint8_t> data) = 0;
  // A key without values.
  virtual void make_key(std::u16string_view key) = 0;
  // A print queue the spooler lists, with its (empty) driver data key.
  virtual void add_queue(const platform::PrinterInfo2& queue) = 0;
};

struct UsbHub {
  std::u16string label;  // the name the machine description uses
  int ports = 4;
  bool present = true;  // listed among the present hub interfaces
  // Filled by UsbMachine::complete(): the name of the hub's interface,
  // without the "\\?\" in front (what IOCTL_USB_GET_NODE_CONNECTION_NAME
  // answers for a hub at a port).
  std::u16string symbolic_name;
};

enum class UsbKind { Other, Printer, Reader, Hub };

struct UsbDevice {
  UsbKind kind = UsbKind::Other;
  std::u16string hub;  // label of the hub it is connected to
  int port = 1;
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  bool connected = true;
  // What the hub reports for the device while it is connected
  // (USB_CONNECTION_STATUS): 1 once enumerated; 2 when enumeration failed,
  // 5 when the port cannot power it, and so on. Anything but 1 leaves the
  // device without a node, a driver key or an interface.
  std::uint32_t connection_status = 1;
  // Device node. Empty texts are made up by complete().
  std::u16string instance;    // instance name under Enum\USB\VID_x&PID_y
  std::u16string driver_key;  // "Driver" value, also the hub's driver-key answer
  bool has_parent_id_prefix = true;
  std::u16string parent_id_prefix;

  // Printers.
  bool has_interface = true;  // printing-class interface present
  std::u16string port_name;   // empty: no port child node under USBPRINT
  std::u16string usbprint_model = u"ORVANE_ZELKO";
  std::u16string port_child;                  // child node name (default prefix + "&" + port)
  std::u16string queue;                       // empty: no print queue
  std::u16string queue_instance;              // the queue's PnPData "DeviceInstanceId"
  std::optional<std::u16string> registry_id;  // published "PrinterID"
  std::optional<std::vector<std::uint8_t>> registry_status;  // published "PrinterStatus"
  // Answers to the vendor requests; none: the request fails.
  std::optional<std::vector<std::uint8_t>> id_answer;
  std::optional<std::vector<std::uint8_t>> status_answer;
  std::optional<std::vector<std::uint8_t>> encoder_answer;
  bool held_open_elsewhere = false;  // another process has the device open
  std::uint32_t answer_ms = 0;       // virtual time the printer takes per request

  // Readers.
  std::u16string service;          // driver service whose Enum key lists it
  std::u16string enum_id;          // instance id in that list (default from the node)
  std::u16string interface_child;  // the "&MI_00" child's instance name (composite readers)

  // Hubs at a port: the label of the hub this device is.
  std::u16string hub_label;

  // What the printer saw: the input bytes of every vendor request, in order.
  std::vector<std::vector<std::uint8_t>> requests;
  int opens = 0;
  // What its hub was asked about its port: the control codes, in order.
  std::vector<std::uint32_t> hub_requests;

  // Whether the device is enumerated and working at its port.
  bool started() const { return connected && connection_status == 1; }
};

class UsbMachine : public platform::DeviceIo,
                   public platform::DeviceInterfaces,
                   public platform::SmartCards {
 public:
  explicit UsbMachine(Host& host);

  // --- The machine ---
  std::vector<UsbHub> hubs;
  std::vector<UsbDevice> devices;
  std::vector<std::u16string> pcsc_readers;
  // The first N context (or listing) calls fail; -1: all of them.
  int pcsc_context_failures = 0;
  int pcsc_list_failures = 0;
  // Service keys that exist without an "Enum" subkey.
  std::vector<std::u16string> bare_services;

  // Fills in what the description left out (instance names, driver keys,
  // prefixes, hub names) and checks it. False with a message when a device
  // sits on an unknown hub or port.
  bool complete(std::string* error);
  // Writes the registry and spooler views of the machine (after complete()).
  void install(DeviceKeys& keys) const;

  // Another process holds the named event ("Global\\..."): it is not
  // signalled until `milliseconds` of virtual time have passed (never, when
  // absent), and it exists even when no handle of ours is open.
  void hold_event(std::u16string_view name, std::optional<std::uint64_t> milliseconds);
  // Another process wants the named event as a lock, the way the programs
  // take it: at virtual time `at_ms` it opens the event (creating it
  // auto-reset and signalled when there is none), waits for it without a
  // time-out, keeps it `hold_ms`, sets it and closes its handle. Waiters,
  // ours included, get the event first come, first served.
  void queue_for_event(std::u16string_view name, std::uint64_t at_ms, std::uint64_t hold_ms);
  // Who took the named event when: every successful wait, ours and the
  // other processes', in time order.
  struct EventTurn {
    bool ours = false;
    std::uint64_t at_ms = 0;
    bool operator==(const EventTurn&) const = default;
  };
  std::vector<EventTurn> event_turns(std::u16string_view name);
  // Times one process took the event while another still held it.
  int event_overlaps(std::u16string_view name);

  // --- Inspection ---
  UsbDevice* device_at(std::u16string_view hub, int port);
  std::u16string interface_path(const UsbDevice& device) const;  // "\\?\usb#vid_..."
  std::u16string hub_path(const UsbHub& hub) const;              // "\\?\USB#..."
  bool event_exists(std::u16string_view name);
  std::size_t open_event_handles() const;
  std::size_t open_device_handles() const;
  std::size_t open_device_sets() const;
  std::size_t open_contexts() const;
  int context_attempts() const { return context_attempts_; }
  int list_calls() const { return list_calls_; }

  // --- DeviceIo ---
  Win32Error create_file(std::u16string_view path, std::uint32_t access, std::uint32_t share_mode,
                         std::uint32_t creation, std::uint32_t flags,
                         DeviceHandle* handle) override;
  Win32Error device_io_control(DeviceHandle device, std::uint32_t code, const void* input,
                               std::uint32_t input_length, void* output,
                               std::uint32_t output_capacity, std::uint32_t* returned) override;
  Win32Error close_handle(DeviceHandle device) override;
  Win32Error open_event(std::u16string_view name, std::uint32_t access, bool inherit,
                        EventHandle* event) override;
  Win32Error create_event(std::u16string_view name, bool manual_reset, bool initially_signalled,
                          EventHandle* event) override;
  std::uint32_t wait(EventHandle event, std::uint32_t milliseconds) override;
  Win32Error set_event(EventHandle event) override;
  Win32Error close_event(EventHandle event) override;

  // --- DeviceInterfaces ---
  Win32Error get_class_devs(const platform::Guid& interface_class, std::uint32_t flags,
                            DevInfoSet* set) override;
  Win32Error enum_interface(DevInfoSet set, const platform::Guid& interface_class,
                            std::uint32_t index, platform::DeviceInterfaceData* data) override;
  Win32Error get_interface_detail(DevInfoSet set, const platform::DeviceInterfaceData& data,
                                  void* detail, std::uint32_t detail_size,
                                  std::uint32_t* required_size) override;
  Win32Error destroy_list(DevInfoSet set) override;

  // --- SmartCards ---
  ScardResult establish_context(std::uint32_t scope, ScardContext* context) override;
  ScardResult list_readers(ScardContext context, char16_t* readers, std::uint32_t* length) override;
  ScardResult release_context(ScardContext context) override;

 private:
  struct OpenFile {
    int hub = -1;     // index into hubs, or
    int device = -1;  // index into devices
    std::uint32_t share_mode = 0;
  };
  struct OtherWaiter {
    std::uint64_t arrives_at = 0;
    std::uint64_t hold_ms = 0;
  };
  struct Event {
    bool exists = false;
    bool signalled = false;
    std::uint64_t signalled_at = 0;
    bool manual_reset = false;
    int handles = 0;  // ours
    bool held_by_us = false;
    bool held_elsewhere = false;
    std::optional<std::uint64_t> released_at;  // when the other process lets go
    std::vector<OtherWaiter> waiters;          // by arrival
    std::vector<EventTurn> turns;
    int overlaps = 0;
  };

  Win32Error hub_request(const UsbHub& hub, std::uint32_t code, const std::uint8_t* input,
                         std::uint32_t input_length, std::uint8_t* output,
                         std::uint32_t output_capacity, std::uint32_t* returned);
  Win32Error printer_request(UsbDevice& printer, std::uint32_t code, const std::uint8_t* input,
                             std::uint32_t input_length, std::uint8_t* output,
                             std::uint32_t output_capacity, std::uint32_t* returned);
  int hub_index(std::u16string_view label) const;
  // Plays the other processes' part of an event up to `until`. With
  // `our_wait_from`, we wait as well, queued from then: returns when we got
  // the event, or nothing when we did not by `until`.
  std::optional<std::uint64_t> run_event(Event& event, std::uint64_t until,
                                         std::optional<std::uint64_t> our_wait_from = {});

  Host& host_;
  mutable std::mutex mutex_;
  std::map<DeviceHandle, OpenFile> files_;
  DeviceHandle next_file_ = 0x3000;
  std::map<std::u16string, Event> events_;  // by upper-cased name
  std::map<EventHandle, std::u16string> event_handles_;
  EventHandle next_event_ = 0x5000;
  std::map<DevInfoSet, std::vector<std::u16string>> sets_;
  DevInfoSet next_set_ = 0x7000;
  std::map<ScardContext, bool> contexts_;
  ScardContext next_context_ = 0x9000;
  int context_attempts_ = 0;
  int list_calls_ = 0;
};

// The text form of a machine, which tests write and which a machine file for
// zelkonet holds after its version line (docs/tools.md). One statement a
// line; '#' starts a comment; values with blanks go in double quotes.
//
//   hub LABEL [ports=N] [at=HUB:PORT] [vid=HEX pid=HEX] [present=no] [state=S]
//   printer at=HUB:PORT [pid=HEX] [vid=HEX] [instance=T] [driver=T]
//           [prefix=T|none] [interface=no] [connected=no] [port=USB001|none]
//           [model=T] [child=T] [queue=T] [queue-instance=T]
//           [registry-id=T] [registry-status=HEX,HEX,...]
//           [id=T|none] [status=HEX|none] [encoder=LENGTH|none]
//           [encoder-status=HEX] [encoder-contact-low=T] [encoder-contact-high=T]
//           [encoder-contactless-low=T] [encoder-contactless-high=T]
//           [busy=device] [state=S]
//   reader at=HUB:PORT model=gemplus|acr38u|hismartech|omnikey5x21|omnikey5127|acr122|duali
//          service=T [vid=HEX pid=HEX] [instance=T] [driver=T] [enum-id=T]
//          [interface-child=T] [connected=no] [state=S]
//   device at=HUB:PORT vid=HEX pid=HEX [instance=T] [driver=T] [connected=no] [state=S]
//   service NAME                       a service key with no "Enum" subkey
//   pcsc-reader "NAME"                 one line per listed PC/SC reader name
//   pcsc [fail-context=N|always] [fail-list=N|always]
//   lock NAME [held-ms=N]              another process holds "Global\ZELKO_IOCTL_NAME"
//
// state= is what the hub reports for a connected device: connected (the
// default), failed-enumeration, general-failure, overcurrent,
// not-enough-power, not-enough-bandwidth, nested-too-deeply, in-legacy-hub,
// enumerating or reset.
// A hub given with at= is connected at that port (vid 0409, pid 005A unless
// given: the printers' inner hub). The printer's id answer is the text's
// bytes; "status" is answer byte 2; "encoder" is the length of the encoder
// answer, built from the encoder-* fields and zero-filled.
struct UsbLock {
  std::u16string name;
  std::optional<std::uint64_t> held_ms;
};
bool parse_usb_machine(std::string_view text, UsbMachine* machine, std::vector<UsbLock>* locks,
                       std::string* error);

}  // namespace usb_machine
