// Where the monitor keeps its display mode: three REG_DWORD flags under
// HKEY_LOCAL_MACHINE, at most one of them 1 after every save.
#include <algorithm>
#include <cstring>

#include "monitor/tessaly_dlg.h"

namespace tessaly {

namespace {

// A flag as the raw 4-byte value (any non-zero value sets the mode, and is
// written back as it was read); missing or unreadable reads as 0.
int read_flag(platform::Registry& registry, platform::RegKey key, std::u16string_view name) {
  platform::RegistryValue value;
  std::uint32_t flag = 0;
  if (registry.query_value(key, name, sizeof flag, &value) != platform::kErrorSuccess) return 0;
  std::memcpy(&flag, value.data.data(), std::min(value.data.size(), sizeof flag));
  return static_cast<int>(flag);
}

}  // namespace

void CTessalyDlg::load_display_settings() {
  DisplayState& state = display();
  platform::Registry& registry = platform_.registry;
  state.off_requested = 0;
  platform::ScopedRegKey key(registry);
  if (registry.open_key(platform::kHkeyLocalMachine, kSettingsKey, platform::kKeyAllAccess,
                        key.receive()) != platform::kErrorSuccess) {
    state.off_requested = 1;
    return;
  }
  state.mode_off = read_flag(registry, key.get(), u"B_OFF");
  state.mode_always = read_flag(registry, key.get(), u"B_ALWAYS");
  state.mode_popup = read_flag(registry, key.get(), u"B_POPUP");
  if (!state.mode_off && !state.mode_always && !state.mode_popup) state.off_requested = 1;
  save_display_settings();
}

void CTessalyDlg::save_display_settings() {
  DisplayState& state = display();
  if (state.mode_off) {
    set_mode_checks(true, false, false);
    state.mode_popup = state.mode_always = 0;
  } else if (state.mode_popup) {
    set_mode_checks(false, true, false);
    state.mode_off = state.mode_always = 0;
  } else if (state.mode_always) {
    set_mode_checks(false, false, true);
    state.mode_off = state.mode_popup = 0;
  }

  platform::Registry& registry = platform_.registry;
  platform::ScopedRegKey key(registry);
  if (registry.open_key(platform::kHkeyLocalMachine, kSettingsKey, platform::kKeyAllAccess,
                        key.receive()) != platform::kErrorSuccess &&
      registry.create_key(platform::kHkeyLocalMachine, kSettingsKey,
                          platform::kKeyRead | platform::kKeyWrite,
                          key.receive()) != platform::kErrorSuccess)
    return;
  write_mode_values(key.get());
}

bool CTessalyDlg::write_mode_values(platform::RegKey key) {
  platform::Registry& registry = platform_.registry;
  const DisplayState& state = display();
  const std::pair<const char16_t*, int> values[] = {
      {u"B_OFF", state.mode_off}, {u"B_POPUP", state.mode_popup}, {u"B_ALWAYS", state.mode_always}};
  for (const auto& [name, flag] : values)
    if (registry.set_dword(key, name, static_cast<std::uint32_t>(flag)) != platform::kErrorSuccess)
      return false;
  return true;
}

}  // namespace tessaly
