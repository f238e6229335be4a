#include "printer_access/select_dialog.h"

#include <memory>

#include "operations/model_catalogue.h"
#include "platform/util/text.h"

namespace pelmora {

namespace {

const platform::MessageMapEntry<CDlgSelect> kMessageMap[] = {
    platform::on_timer_message<CDlgSelect>(&CDlgSelect::OnTimer),
    platform::on_command<CDlgSelect>(IDC_REFRESH, platform::kBnClicked, &CDlgSelect::OnRefresh),
    platform::on_command<CDlgSelect>(platform::kIdOk, platform::kBnClicked, &CDlgSelect::OnOK),
};

// The discovery request code the selection uses.
constexpr int kSelectionRequestCode = 2;

struct ModelWord {
  std::u16string_view word;
  int index;
};
constexpr ModelWord kModelWords[] = {
    {u"ZELKO-70", 0}, {u"ZELKO-40", 6}, {u"MARLO-600", 14}, {u"MARLO-800", 13},
    {u"VANTO", 12},   {u"KLX-2D", 15},  {u"KORVEN-40", 10}, {u"TAVRIN TX230", 8},
};
constexpr std::size_t kLastWordPosition = 9;

}  // namespace

int RecognizeModelWord(std::u16string_view text) {
  for (std::size_t position = 0; position <= kLastWordPosition && position < text.size();
       ++position) {
    for (const auto& model : kModelWords) {
      if (text.size() - position < model.word.size()) continue;
      if (platform::equals_ignore_ascii_case(text.substr(position, model.word.size()), model.word))
        return model.index;
    }
  }
  return -1;
}

bool ChooseNetworkPrinter(PrinterSearches& searches, const ModalDialogRunner& run_modal,
                          platform::WindowRef owner, std::u16string_view family_name,
                          std::uint32_t productId, NetworkSelection* selection) {
  CDlgSelect dialog(searches);
  platform::copy_truncated(dialog.modelDisplayName, family_name);
  dialog.expectedProductId = static_cast<std::int32_t>(productId);
  if (run_modal(IDD_SELECT_PRINTER, dialog, owner) != platform::kIdOk) return false;
  const std::u16string_view address = platform::view_of(dialog.selectedAddress);
  if (address.empty()) return false;
  selection->address = std::u16string(address);
  selection->portNumber = dialog.selectedRawPort;
  selection->detectedModelIndex = dialog.selectedModelIndex;
  selection->productId = dialog.selectedProductId;
  return true;
}

CDlgSelect::CDlgSelect(PrinterSearches& searches) : searches_(searches) {}

platform::MessageResult CDlgSelect::handle_message(const platform::WindowMessage& message) {
  return platform::dispatch_message_map(*this, kMessageMap, message);
}

bool CDlgSelect::OnInitDialog() {
  host_->set_timer(REFRESH_TIMER, 50);
  return true;
}

void CDlgSelect::OnTimer(std::uintptr_t id) {
  host_->kill_timer(static_cast<std::uint32_t>(id));
  OnRefresh();
}

void CDlgSelect::OnRefresh() {
  host_->combo_reset(IDC_PRINTER_COMBO);
  host_->enable(IDC_REFRESH, false);
  // Thirty-two entries of four texts each: not a thing for the stack.
  auto list = std::make_unique<PrinterList>();
  SearchPrinters(searches_, list.get(), kSearchNetwork, kSelectionRequestCode);
  if (list->count > 0) {
    const int count = list->count < kPrinterListCapacity ? list->count : kPrinterListCapacity;
    for (int i = 0; i < count; ++i) {
      const PrinterListEntry& entry = list->entries[i];
      if (IsSameProductFamily(entry.productId, static_cast<std::uint32_t>(expectedProductId)))
        host_->combo_add(IDC_PRINTER_COMBO, platform::view_of(entry.listLine));
    }
    host_->combo_select(IDC_PRINTER_COMBO, 0);
  }
  host_->enable(IDC_REFRESH, true);
}

void CDlgSelect::OnOK() {
  std::u16string text = host_->text(IDC_PRINTER_COMBO);
  if (text.size() > kMaxDescriptionLength) text.resize(kMaxDescriptionLength);
  if (text.empty()) {
    host_->end_dialog(platform::kIdOk);
    return;
  }
  auto details = std::make_unique<PrinterDetails>();
  *details = PrinterDetails{};
  if (!ParsePrinterDescription(searches_, details.get(), text.c_str(), kSelectionRequestCode)) {
    host_->message_box(kWrongDescriptionText, kWrongDescriptionCaption, platform::kMbOk);
    return;
  }
  platform::copy_truncated(selectedAddress, platform::view_of(details->ipAddress));
  selectedRawPort = details->rawPort;
  selectedProductId = details->productId;
  const int recognized = RecognizeModelWord(text);
  if (recognized >= 0) selectedModelIndex = recognized;
  host_->end_dialog(platform::kIdOk);
}

}  // namespace pelmora
