#include "monitor/status_poll.h"

#include "monitor/driver_data.h"
#include "monitor/panel_text.h"
#include "platform/util/text.h"

namespace tessaly {

const char16_t* const kMonitoredDriverNames[kModelTableSize] = {
    u"Orvane ZELKO-70 Card Printer",   // 0
    u"Orvane ZELKO-40 Card Printer",   // 1
    u"Tavrin TX250 Printer",           // 2
    u"Ravelstok Card Printer",         // 3
    u"K2100-K2200 Card Printer",       // 4
    u"Lumetra DX450",                  // 5
    u"Orvane ZELKO-70 Card Printer",   // 6: reached through the serial only
    u"Orvane ZELKO-40 Card Printer",   // 7: reached through the serial only
    u"KORVEN Card Printer",            // 8
    u"TMX410D",                        // 9
    u"Orlent ZELKO Card Printer",      // 10
    u"Tavrin TX230 Printer",           // 11
    u"VANTO-70 Card Printer",          // 12
    u"VANTO-40 Card Printer",          // 13
    u"Orvane MARLO-800 Card Printer",  // 14
    u"Orvane MARLO-600 Card Printer",  // 15
    u"QEL-KLX-2D",                     // 16
    u"KORVEN-40 Card Printer",         // 17
};

namespace {

constexpr char16_t kPrintersKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

void note_skip(PollDiagnostics* diagnostics, const platform::PrinterInfo2& queue, const char* what,
               platform::Win32Error error) {
  if (diagnostics != nullptr) diagnostics->skipped.push_back({queue.printer_name, what, error});
}

// Hands a driver error text to the tray window, once: a text equal to the
// one last shown for the queue is not shown again.
void offer_error_text(std::u16string_view queue_name, const char16_t* text, bool deleted,
                      DisplayState& display) {
  const std::u16string queue(queue_name);
  auto shown = display.shown_error_texts.find(queue);
  const bool seen = shown != display.shown_error_texts.end() && shown->second == text;
  // A deleted text is gone: the same words written again later are a new
  // message. One that stays is remembered, so it comes up once.
  if (deleted) {
    if (shown != display.shown_error_texts.end()) display.shown_error_texts.erase(shown);
  } else {
    display.shown_error_texts[queue] = text;
  }
  if (seen || text[0] == 0) return;  // nothing new to tell
  platform::copy_truncated(display.error_text, std::u16string_view(text));
  display.error_pending = 1;
}

// The driver's error text is a one-shot message: it is shown once and then
// removed from the queue's driver data. False when the queue's driver data
// key cannot be opened with full access (a monitor started without
// elevation); the text is then read through the spooler.
bool pick_up_error_text(platform::Registry& registry, std::u16string_view queue_name,
                        DisplayState& display) {
  platform::ScopedRegKey key(registry);
  if (registry.open_key(platform::kHkeyLocalMachine, driver_data_key(queue_name),
                        platform::kKeyAllAccess, key.receive()) != platform::kErrorSuccess)
    return false;
  // A text still waiting to be shown is not overwritten: a second driver
  // message stays in the registry until a later poll.
  if (display.error_pending) return true;
  platform::RegistryValue value;
  const platform::Win32Error read =
      registry.query_value(key.get(), u"ErrorMessage", kErrorMessageLimit, &value);
  if (read == platform::kErrorFileNotFound)
    display.shown_error_texts.erase(std::u16string(queue_name));
  if (read != platform::kErrorSuccess) return true;
  char16_t text[kErrorTextChars];
  // A value that holds no text is left alone; it is not the driver's message.
  if (!decode_text_value(value.type, value.data, text, kErrorTextChars)) return true;
  const bool deleted = registry.delete_value(key.get(), u"ErrorMessage") == platform::kErrorSuccess;
  offer_error_text(queue_name, text, deleted, display);
  return true;
}

// The error text through GetPrinterDataW, which needs no more than the use
// of the queue. It cannot be deleted this way: it is shown once per text.
void read_error_text(platform::Spooler& spooler, platform::PrinterHandle printer,
                     std::u16string_view queue_name, DisplayState& display) {
  if (display.error_pending) return;
  platform::PrinterDataValue value;
  const platform::Win32Error read =
      spooler.get_printer_data(printer, u"ErrorMessage", kErrorMessageLimit, &value);
  if (read == platform::kErrorFileNotFound)
    display.shown_error_texts.erase(std::u16string(queue_name));
  if (read != platform::kErrorSuccess) return;
  char16_t text[kErrorTextChars];
  if (!decode_text_value(value.type, value.data, text, kErrorTextChars)) return;
  offer_error_text(queue_name, text, false, display);
}

// Reads one driver data value; records the failure for the diagnostics.
bool read_value(platform::Spooler& spooler, platform::PrinterHandle printer,
                const platform::PrinterInfo2& queue, const char16_t* name, const char* what,
                std::size_t limit, platform::PrinterDataValue& value,
                PollDiagnostics* diagnostics) {
  const platform::Win32Error error = spooler.get_printer_data(printer, name, limit, &value);
  if (error != platform::kErrorSuccess) {
    note_skip(diagnostics, queue, what, error);
    return false;
  }
  return true;
}

// Fills `record` from the queue's driver data. False when any read fails; the
// queue is then left out of this poll.
bool read_record(platform::Spooler& spooler, platform::PrinterHandle printer,
                 const platform::PrinterInfo2& queue, PrinterStatusRecord& record,
                 PollDiagnostics* diagnostics) {
  platform::PrinterDataValue value;
  auto refuse = [&](const char* what) {
    note_skip(diagnostics, queue, what, platform::kErrorInvalidParameter);
    return false;
  };

  if (!read_value(spooler, printer, queue, u"PrinterID", "PrinterID", kPrinterIdLimit, value,
                  diagnostics))
    return false;
  if (!decode_text_value(value.type, value.data, record.printer_id, kPrinterIdChars))
    return refuse("PrinterID type");
  if (!read_value(spooler, printer, queue, u"PrinterSerial", "PrinterSerial", kPrinterSerialLimit,
                  value, diagnostics))
    return false;
  if (!decode_text_value(value.type, value.data, record.serial, kSerialChars))
    return refuse("PrinterSerial type");
  record.model_index = serial_marked_model(record.model_index, platform::view_of(record.serial));

  if (!read_value(spooler, printer, queue, u"PrinterVersion", "PrinterVersion",
                  kPrinterVersionLimit, value, diagnostics))
    return false;
  decode_firmware_value(value.data, record.firmware, kFirmwareChars);

  // The driver must be readable; its description is not used. The monitor
  // is a 32-bit program, and on 64-bit Windows it asks for the x86 driver,
  // which a queue installed for x64 only does not have: its own driver
  // counts as well, or no queue of such a machine would ever be shown.
  auto error = spooler.get_printer_driver(printer, 6, 16384);
  if (error == platform::kErrorUnknownPrinterDriver)
    error = spooler.get_printer_driver_native(printer, 6, 16384);
  if (error != platform::kErrorSuccess) {
    note_skip(diagnostics, queue, "GetPrinterDriverW", error);
    return false;
  }

  if (!read_value(spooler, printer, queue, u"PrinterStatus", "PrinterStatus", kPrinterStatusLimit,
                  value, diagnostics))
    return false;
  PrinterStatusWords words;
  if (!decode_printer_status(value.type, value.data, &words)) return refuse("PrinterStatus type");
  record.status_main = words.status_main;
  record.status_error = words.status_error;
  record.ribbon_left = words.ribbon_left;

  if (!read_value(spooler, printer, queue, u"PrinterType", "PrinterType", kPrinterTypeLimit, value,
                  diagnostics))
    return false;
  if (!decode_word_value(value.type, value.data, &record.printer_type))
    return refuse("PrinterType type");
  if (!read_value(spooler, printer, queue, u"LockType", "LockType", kLockTypeLimit, value,
                  diagnostics))
    return false;
  if (!decode_word_value(value.type, value.data, &record.lock_type)) return refuse("LockType type");

  // Firmware before 1.00.61 reports bit 22 without a laminator behind it.
  const int firmware = firmware_number(platform::view_of(record.firmware));
  if ((record.status_main & bits::kMainLaminatorAttached) && firmware > 10060) {
    record.has_laminator = 1;
    record.duplex = 0;
  } else {
    record.has_laminator = 0;
    record.duplex = (record.status_main & bits::kMainDualSided) ? 1 : 0;
  }

  if (record.has_laminator) {
    if (!read_value(spooler, printer, queue, u"LaminatorStatus", "LaminatorStatus",
                    kLaminatorStatusLimit, value, diagnostics))
      return false;
    LaminatorWords lam;
    if (!decode_laminator_status(value.type, value.data, &lam))
      return refuse("LaminatorStatus type");
    record.lam_status = lam.lam_status;
    record.lam_error = lam.lam_error;
  }
  return true;
}

}  // namespace

int monitored_model_index(std::u16string_view driver_name) {
  for (int i = 0; i < kModelTableSize; ++i)
    if (driver_name == kMonitoredDriverNames[i]) return i;
  return -1;
}

int serial_marked_model(int model_index, std::u16string_view serial) {
  if (serial.size() < 4 || serial[2] != u'C' || serial[3] != u'H') return model_index;
  if (model_index == 0) return 6;
  if (model_index == 1) return 7;
  return model_index;
}

bool serial_has_two_key_panel(std::u16string_view serial) {
  return serial.empty() || serial[0] != u'3';
}

std::u16string driver_data_key(std::u16string_view queue_name) {
  std::u16string key(kPrintersKey);
  key.append(queue_name);
  key.append(u"\\PrinterDriverData");
  return key;
}

void poll_printer_status(platform::Spooler& spooler, platform::Registry& registry,
                         DisplayState& display, StatusSnapshot& snapshot,
                         PollDiagnostics* diagnostics) {
  snapshot = StatusSnapshot{};
  std::vector<platform::PrinterInfo2> queues;
  if (const auto error = spooler.enum_local_printers(&queues)) {
    if (diagnostics != nullptr) diagnostics->enumeration_error = error;
    return;
  }

  for (const platform::PrinterInfo2& queue : queues) {
    if (snapshot.count >= kMaxRecords) break;
    const int model_index = monitored_model_index(queue.driver_name);
    if (model_index < 0) continue;

    const bool full_access = pick_up_error_text(registry, queue.printer_name, display);

    platform::ScopedPrinter printer(spooler);
    platform::PrinterDefaults defaults;  // no data type, PRINTER_ACCESS_USE
    defaults.access = platform::kPrinterAccessUse;
    if (const auto error = spooler.open_printer(queue.printer_name, &defaults, printer.receive())) {
      note_skip(diagnostics, queue, "OpenPrinterW", error);
      continue;
    }
    if (!full_access) read_error_text(spooler, printer.get(), queue.printer_name, display);

    PrinterStatusRecord& record = snapshot.records[snapshot.count];
    record = PrinterStatusRecord{};
    record.model_index = model_index;
    record.online = (queue.attributes & platform::kPrinterAttributeWorkOffline) ? 0 : 1;
    platform::copy_truncated(record.queue_name, queue.printer_name);

    if (!read_record(spooler, printer.get(), queue, record, diagnostics)) {
      record = PrinterStatusRecord{};  // slots past the count stay zero
      continue;
    }

    if (display.off_requested) {
      display.off_requested = 0;
      display.mode_off = 1;
      display.mode_popup = 0;
      display.mode_always = 0;
    }
    if (display.mode_off) {
      record = PrinterStatusRecord{};
      continue;
    }

    record.two_key_panel = serial_has_two_key_panel(platform::view_of(record.serial)) ? 1 : 0;
    compose_panel_text(record);
    ++snapshot.count;
  }
}

}  // namespace tessaly
