#include "printer_access/reader_detect.h"

#include <cstring>
#include <string>

#include "platform/registry.h"
#include "platform/usb_requests.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "printer_access/usb_hub.h"
#include "printer_access/usb_lookups.h"

namespace pelmora {

namespace {
constexpr char16_t kPlainForm[] = u"USB\\Vid_%04x&Pid_%04x\\%s";
constexpr char16_t kInterfaceZeroForm[] = u"USB\\Vid_%04x&Pid_%04x&MI_00\\%s";
}  // namespace

const KnownReader kKnownReaders[7] = {
    {ReaderKind::Contact,
     0x08E6,
     0x3437,
     kPlainForm,
     {{u"GemCCID", u"Gemplus USB Smart Card Reader"},
      {u"USBCCID", u"Gemplus USB Smart Card Reader"},
      {nullptr, nullptr}}},
    {ReaderKind::Contact,
     0x072F,
     0x9000,
     kPlainForm,
     {{u"ACSSCR", u"ACS ACR38U"}, {nullptr, nullptr}, {nullptr, nullptr}}},
    {ReaderKind::Contact,
     0x11B8,
     0x0022,
     kPlainForm,
     {{u"scorpy", u"CST"},
      {u"hstu", u"HISMARTECH Co., Ltd. HST USB Smart Card Reader"},
      {nullptr, nullptr}}},
    {ReaderKind::Contactless,
     0x076B,
     0x5121,
     kPlainForm,
     {{u"cxru0x64", u"OMNIKEY CardMan 5X21-CL"},
      {u"cxru0wdm", u"OMNIKEY CardMan 5X21-CL"},
      {u"USBCCID", u"OMNIKEY CardMan 5X21-CL"}}},
    {ReaderKind::Contactless,
     0x076B,
     0x5127,
     kInterfaceZeroForm,
     {{u"hidgcx64", u"HID OMNIKEY 5127 CK CL"},
      {u"hidgcx86", u"HID OMNIKEY 5127 CK CL"},
      {u"USBCCID", u"HID OMNIKEY 5127 CK"}}},
    {ReaderKind::Contactless,
     0x072F,
     0x2200,
     kPlainForm,
     {{u"ACR122U", u"ACS ACR122"}, {u"USBCCID", u"ACS ACR122"}, {nullptr, nullptr}}},
    {ReaderKind::Contactless,
     0x1DB2,
     0x0802,
     kPlainForm,
     {{u"USBCCID", u"DUALi DE-ABCM LARGE"}, {nullptr, nullptr}, {nullptr, nullptr}}},
};

namespace {

std::u16string ToUpper(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = platform::ascii_upper(c);
  return out;
}

std::size_t FindIgnoringCase(std::u16string_view text, std::u16string_view word,
                             std::size_t from = 0) {
  return ToUpper(text).find(ToUpper(word), from);
}

// "word", and "CL" at or after the first "word".
bool HasModelThenCl(std::u16string_view name, std::u16string_view word) {
  const std::size_t at = FindIgnoringCase(name, word);
  return at != std::u16string::npos && FindIgnoringCase(name, u"CL", at) != std::u16string::npos;
}

struct NameRule {
  const char16_t* start;
  bool (*accepts)(std::u16string_view name);
};

bool Contains(std::u16string_view name, std::u16string_view word) {
  return FindIgnoringCase(name, word) != std::u16string::npos;
}

const NameRule kNameRules[] = {
    {u"HISMARTEC", [](std::u16string_view n) { return Contains(n, u"Reader"); }},
    {u"ACS", [](std::u16string_view n) { return Contains(n, u"38U") || Contains(n, u"122"); }},
    {u"Gemalto", [](std::u16string_view n) { return Contains(n, u"Reader"); }},
    {u"Gemplus", [](std::u16string_view n) { return Contains(n, u"Reader"); }},
    {u"OMNIKEY", [](std::u16string_view n) { return HasModelThenCl(n, u"5x21"); }},
    {u"HID OMNIK", [](std::u16string_view n) { return HasModelThenCl(n, u"5127"); }},
    {u"DUALi", [](std::u16string_view n) { return Contains(n, u"DE-ABCM"); }},
};

int Probe(const UsbPorts& platform, platform::DeviceHandle hub, int port, ReaderKind kind,
          char16_t* name, std::size_t capacity) {
  HubConnection connection;
  if (!GetHubConnection(platform, hub, port, &connection) ||
      connection.connectionStatus != platform::kDeviceConnected)
    return 0;
  const KnownReader* reader = nullptr;
  for (const auto& row : kKnownReaders)
    if (row.kind == kind && row.vendorId == connection.vendorId &&
        row.productId == connection.productId) {
      reader = &row;
      break;
    }
  if (reader == nullptr) return 0;
  std::u16string driver_key;
  if (!GetHubConnectionText(platform, hub, port, platform::kIoctlUsbGetNodeConnectionDriverkeyName,
                            &driver_key))
    return 0;
  char16_t instance[kUsbTextLength] = {};
  if (!FindReaderInstance(platform, reader->vendorId, reader->productId, driver_key.c_str(),
                          instance, kUsbTextLength))
    return 0;
  const std::u16string instance_id = platform::format(
      reader->instanceIdForm,
      {reader->vendorId, reader->productId, platform::bounded_view(instance, kUsbTextLength)});
  for (const auto& binding : reader->bindings) {
    if (binding.service == nullptr) break;
    if (CheckReaderBinding(platform, instance_id.c_str(), name, capacity, binding.service,
                           binding.readerText) == 1)
      return 1;
  }
  return 0;
}

}  // namespace

bool ReaderNameQualifies(std::u16string_view listed_name, std::u16string_view readerText) {
  if (listed_name.size() < 3 || readerText.size() < 3 ||
      !platform::equals_ignore_ascii_case(listed_name.substr(0, 3), readerText.substr(0, 3)))
    return false;
  for (const auto& rule : kNameRules)
    if (platform::starts_with_ignore_ascii_case(listed_name, rule.start))
      return rule.accepts(listed_name);
  return false;
}

int ResolveReaderName(const UsbPorts& platform, char16_t* name, std::size_t capacity,
                      bool indexed) {
  if (name == nullptr || capacity == 0) return 0;
  platform::SmartCards& cards = platform.smart_cards;
  platform::ScardContext context = 0;
  bool established = false;
  for (int attempt = 1; attempt <= kPcscContextAttempts && !established; ++attempt) {
    established =
        cards.establish_context(platform::kScardScopeSystem, &context) == platform::kScardSuccess &&
        context != 0;
    if (!established && attempt < kPcscContextAttempts) platform.clock.sleep(kPcscRetryWaitMs);
  }
  if (!established) return 0;
  platform::ScopedCardContext owner(cards, context);

  char16_t list[kReaderListLength] = {};
  std::uint32_t length = kReaderListPassedLength;
  if (cards.list_readers(context, list, &length) != platform::kScardSuccess) {
    std::memset(list, 0, sizeof list);
    length = kReaderListPassedLength;
    if (cards.list_readers(context, list, &length) != platform::kScardSuccess) return 0;
  }
  list[kReaderListLength - 1] = 0;

  const std::u16string input(platform::bounded_view(name, capacity));
  std::u16string found;
  std::size_t at = 0;
  for (int examined = 0; examined < kMaxListedReaders && at < kReaderListPassedLength; ++examined) {
    const std::u16string_view listed =
        platform::bounded_view(list + at, kReaderListPassedLength - at);
    if (listed.empty()) break;
    at += listed.size() + 1;
    if (listed.size() >= kReaderTextLength) continue;
    if (ReaderNameQualifies(listed, input)) {
      found.assign(listed);
      break;
    }
  }
  owner.reset();
  if (found.empty()) return 0;
  if (indexed && !input.empty()) found.back() = input.back();
  platform::copy_truncated(name, capacity, found);
  return 1;
}

int CheckReaderBinding(const UsbPorts& platform, const char16_t* instance_id, char16_t* name,
                       std::size_t capacity, const char16_t* service, const char16_t* readerText) {
  platform::ScopedRegKey key(platform.registry);
  const auto open = [&](std::u16string_view which) {
    return platform.registry.open_key(
               platform::kHkeyLocalMachine,
               platform::format(u"SYSTEM\\CurrentControlSet\\Services\\%s\\Enum", {which}),
               platform::kKeyRead, key.receive()) == platform::kErrorSuccess;
  };
  if (!open(platform::bounded_view(service, 256)) && !open(u"WUDFRd")) return 0;
  platform::RegistryValue count;
  if (platform.registry.query_value(key.get(), u"Count", 4, &count) != platform::kErrorSuccess ||
      count.data.size() != 4)
    return 0;
  std::uint32_t devices = 0;
  std::memcpy(&devices, count.data.data(), 4);
  const std::u16string_view wanted = platform::bounded_view(instance_id, kUsbTextLength);
  for (std::uint32_t i = 0; i < devices && i < kMaxServiceDevices; ++i) {
    const std::u16string value_name = platform::format(u"%d", {i});
    platform::RegistryValue value;
    if (platform.registry.query_value(key.get(), value_name, 2048, &value) !=
            platform::kErrorSuccess ||
        !platform::equals_ignore_ascii_case(platform::registry_string(value), wanted))
      continue;
    key.reset();
    char16_t text[kReaderTextLength] = {};
    platform::format_to(text, kReaderTextLength, u"%s %s",
                        {platform::bounded_view(readerText, 256), value_name});
    if (ResolveReaderName(platform, text, kReaderTextLength, devices > 1) != 1) return 0;
    platform::copy_truncated(name, capacity, platform::bounded_view(text, kReaderTextLength));
    return 1;
  }
  return 0;
}

int ProbeContactReader(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                       char16_t* name, std::size_t capacity) {
  return Probe(platform, hub, port, ReaderKind::Contact, name, capacity);
}

int ProbeContactlessReader(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                           char16_t* name, std::size_t capacity) {
  return Probe(platform, hub, port, ReaderKind::Contactless, name, capacity);
}

void DetectReaders(const UsbPorts& platform, EncoderInfoBlock* block, platform::DeviceHandle hub) {
  struct Step {
    int port;
    ReaderKind kind;
    char16_t* slot;
  };
  const Step steps[] = {
      {2, ReaderKind::Contact, block->contactReaderLow},
      {3, ReaderKind::Contact, block->contactReaderLow},
      {4, ReaderKind::Contact, block->contactReaderHigh},
      {2, ReaderKind::Contactless, block->contactlessReaderLow},
      {3, ReaderKind::Contactless, block->contactlessReaderLow},
      {4, ReaderKind::Contactless, block->contactlessReaderHigh},
  };
  for (const auto& step : steps) {
    char16_t found[kUsbTextLength] = {};
    if (Probe(platform, hub, step.port, step.kind, found, kUsbTextLength) == 1)
      platform::copy_truncated(step.slot, kReaderNameLength,
                               platform::bounded_view(found, kUsbTextLength));
  }
}

}  // namespace pelmora
