// A dialog logic whose steps a test of the real dialog windows supplies,
// recording every message it is handed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/dialog_host.h"
#include "platform_win32/win32_dialog_host.h"
#include "platform_win32/windows_api.h"

namespace test_support {

using platform::DialogHost;
using platform::DialogLogic;
using platform::MessageResult;
using platform::WindowMessage;

// A logic whose steps the test supplies.
class ScriptedLogic : public DialogLogic {
 public:
  std::function<bool(DialogHost&)> on_init = [](DialogHost&) { return true; };
  std::function<bool(DialogHost&, const WindowMessage&)> on_message =
      [](DialogHost&, const WindowMessage&) { return false; };

  void attach(DialogHost* host) override { host_ = host; }
  bool OnInitDialog() override { return on_init(*host_); }
  MessageResult handle_message(const WindowMessage& message) override {
    seen.push_back(message);
    if (auto it = answers.find(message.message); it != answers.end()) return {true, it->second};
    return {on_message(*host_, message), 0};
  }

  HWND window() const { return static_cast<platform_win32::Win32DialogHost*>(host_)->window(); }
  DialogHost* host_ = nullptr;
  std::vector<WindowMessage> seen;
  std::map<std::uint32_t, std::intptr_t> answers;  // handled with these results
};

inline int count_of(const std::vector<WindowMessage>& seen, std::uint32_t message) {
  int count = 0;
  for (const auto& m : seen) count += m.message == message;
  return count;
}

}  // namespace test_support
