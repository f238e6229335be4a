// The network printer selection of Step 3: a small modal dialog that lists
// the family's printers on the network, lets the user pick or type one, and
// confirms the choice by finding the printer again.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/desktop.h"
#include "platform/dialog_host.h"
#include "platform/util/message_map.h"
#include "printer_access/printer_search.h"
#include "resources/pelmora_ids.h"
#include "wizard_steps.h"

namespace pelmora {

inline constexpr char16_t kWrongDescriptionText[] =
    u"Wrong printer description\nPlease check Printer ID or IP.";
inline constexpr char16_t kWrongDescriptionCaption[] = u"ERROR";
// The longest combo text the dialog reads.
inline constexpr std::size_t kMaxDescriptionLength = 255;

class CDlgSelect : public platform::DialogLogic {
 public:
  explicit CDlgSelect(PrinterSearches& searches);

  // platform::DialogLogic
  void attach(platform::DialogHost* host) override { host_ = host; }
  bool OnInitDialog() override;
  platform::MessageResult handle_message(const platform::WindowMessage& message) override;

  void OnTimer(std::uintptr_t id);
  void OnRefresh();
  void OnOK();

  char16_t modelDisplayName[64] = {};
  std::int32_t expectedProductId = 0;
  char16_t selectedAddress[64] = {};
  std::int32_t selectedRawPort = 0;
  std::int32_t selectedModelIndex = -1;
  // The USB product id the chosen printer answered with.
  std::uint32_t selectedProductId = 0;

 private:
  PrinterSearches& searches_;
  platform::DialogHost* host_ = nullptr;
};

// Runs a dialog template modally over the owner window (0: none); its
// result.
using ModalDialogRunner =
    std::function<int(int template_id, platform::DialogLogic& logic, platform::WindowRef owner)>;

// The wizard's network printer selection: CDlgSelect for the family, run
// modally; true when it ended with OK and a printer address.
bool ChooseNetworkPrinter(PrinterSearches& searches, const ModalDialogRunner& run_modal,
                          platform::WindowRef owner, std::u16string_view family_name,
                          std::uint32_t productId, NetworkSelection* selection);

// The catalogue index of the first model word found at a position 0..9 of
// `text` (words compared without regard to case), or -1.
int RecognizeModelWord(std::u16string_view text);

}  // namespace pelmora
