// PORT_DATA_1 of the Standard TCP/IP port monitor, byte for byte as the
// monitor reads it from XcvDataW "AddPort" (964 bytes, version 1).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kPortDataVersion1 = 1;
inline constexpr std::uint32_t kProtocolRawTcp = 1;
inline constexpr std::uint32_t kProtocolLpr = 2;

struct PortData1 {
  char16_t sztPortName[64];
  std::uint32_t dwVersion;
  std::uint32_t dwProtocol;
  std::uint32_t cbSize;
  std::uint32_t dwReserved;
  char16_t sztHostAddress[49];
  char16_t sztSNMPCommunity[33];
  std::uint32_t dwDoubleSpool;
  char16_t sztQueue[33];
  char16_t sztIPAddress[16];
  std::uint8_t Reserved[540];
  std::uint32_t dwPortNumber;
  std::uint32_t dwSNMPEnabled;
  std::uint32_t dwSNMPDevIndex;
};

static_assert(sizeof(PortData1) == 964);
static_assert(offsetof(PortData1, dwVersion) == 128);
static_assert(offsetof(PortData1, cbSize) == 136);
static_assert(offsetof(PortData1, sztHostAddress) == 144);
static_assert(offsetof(PortData1, sztSNMPCommunity) == 242);
static_assert(offsetof(PortData1, dwDoubleSpool) == 308);
static_assert(offsetof(PortData1, sztQueue) == 312);
static_assert(offsetof(PortData1, sztIPAddress) == 378);
static_assert(offsetof(PortData1, Reserved) == 410);
static_assert(offsetof(PortData1, dwPortNumber) == 952);
static_assert(offsetof(PortData1, dwSNMPDevIndex) == 960);

}  // namespace platform
