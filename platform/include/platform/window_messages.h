// The window messages and notification codes the programs' windows handle,
// with the numbers Windows gives them.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kWmCreate = 0x0001;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmPaint = 0x000F;
inline constexpr std::uint32_t kWmClose = 0x0010;
// Windows asks every top-level window whether the session may end (answer
// TRUE to agree), then tells each whether it ends (wParam TRUE): after
// that answer the process may be ended at any moment.
inline constexpr std::uint32_t kWmQueryEndSession = 0x0011;
inline constexpr std::uint32_t kWmEndSession = 0x0016;
// A system setting changed; wParam is the SPI_SET... that changed it.
inline constexpr std::uint32_t kWmSettingChange = 0x001A;
inline constexpr std::uintptr_t kSpiSetWorkArea = 0x002F;
inline constexpr std::uint32_t kWmQueryDragIcon = 0x0037;
inline constexpr std::uint32_t kWmContextMenu = 0x007B;
// The display's size or depth changed.
inline constexpr std::uint32_t kWmDisplayChange = 0x007E;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kWmTimer = 0x0113;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmRButtonDblClk = 0x0206;
inline constexpr std::uint32_t kWmMouseHover = 0x02A1;
inline constexpr std::uint32_t kWmMouseLeave = 0x02A3;
inline constexpr std::uint32_t kWmUser = 0x0400;

// WM_SYSCOMMAND's command.
inline constexpr std::uint32_t kScMinimize = 0xF020;

// WM_COMMAND notifications.
inline constexpr int kBnClicked = 0;
inline constexpr int kCbnSelChange = 1;

}  // namespace platform
