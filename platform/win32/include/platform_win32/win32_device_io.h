// The real device files and named events, device-interface lists and smart
// cards: the twins of the USB machine (tools/support/usb_machine.h).
#pragma once

#include "platform/device_interfaces.h"
#include "platform/device_io.h"
#include "platform/smart_cards.h"

namespace platform_win32 {

class Win32DeviceIo : public platform::DeviceIo {
 public:
  platform::Win32Error create_file(std::u16string_view path, std::uint32_t access,
                                   std::uint32_t share_mode, std::uint32_t creation,
                                   std::uint32_t flags, platform::DeviceHandle* handle) override;
  platform::Win32Error device_io_control(platform::DeviceHandle device, std::uint32_t code,
                                         const void* input, std::uint32_t input_length,
                                         void* output, std::uint32_t output_capacity,
                                         std::uint32_t* returned) override;
  platform::Win32Error close_handle(platform::DeviceHandle device) override;
  platform::Win32Error open_event(std::u16string_view name, std::uint32_t access, bool inherit,
                                  platform::EventHandle* event) override;
  platform::Win32Error create_event(std::u16string_view name, bool manual_reset,
                                    bool initially_signalled,
                                    platform::EventHandle* event) override;
  std::uint32_t wait(platform::EventHandle event, std::uint32_t milliseconds) override;
  platform::Win32Error set_event(platform::EventHandle event) override;
  platform::Win32Error close_event(platform::EventHandle event) override;
};

class Win32DeviceInterfaces : public platform::DeviceInterfaces {
 public:
  platform::Win32Error get_class_devs(const platform::Guid& interface_class, std::uint32_t flags,
                                      platform::DevInfoSet* set) override;
  platform::Win32Error enum_interface(platform::DevInfoSet set,
                                      const platform::Guid& interface_class, std::uint32_t index,
                                      platform::DeviceInterfaceData* data) override;
  platform::Win32Error get_interface_detail(platform::DevInfoSet set,
                                            const platform::DeviceInterfaceData& data, void* detail,
                                            std::uint32_t detail_size,
                                            std::uint32_t* required_size) override;
  platform::Win32Error destroy_list(platform::DevInfoSet set) override;
};

class Win32SmartCards : public platform::SmartCards {
 public:
  platform::ScardResult establish_context(std::uint32_t scope,
                                          platform::ScardContext* context) override;
  platform::ScardResult list_readers(platform::ScardContext context, char16_t* readers,
                                     std::uint32_t* length) override;
  platform::ScardResult release_context(platform::ScardContext context) override;
};

}  // namespace platform_win32
