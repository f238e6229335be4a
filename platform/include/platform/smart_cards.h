// WinSCard: the PC/SC resource manager's context and reader list.
#pragma once

#include <cstdint>

#include "platform/util/scoped.h"

namespace platform {

// SCARDCONTEXT; 0 is "no context".
using ScardContext = std::uintptr_t;
// LONG results of the SCard calls, as unsigned codes.
using ScardResult = std::uint32_t;

inline constexpr ScardResult kScardSuccess = 0;
inline constexpr ScardResult kScardFInternalError = 0x80100001u;
inline constexpr ScardResult kScardEInvalidParameter = 0x80100004u;
inline constexpr ScardResult kScardEInsufficientBuffer = 0x80100008u;
inline constexpr ScardResult kScardENoService = 0x8010001Du;
inline constexpr ScardResult kScardENoReadersAvailable = 0x8010002Eu;

inline constexpr std::uint32_t kScardScopeUser = 0;
inline constexpr std::uint32_t kScardScopeSystem = 2;

class SmartCards {
 public:
  virtual ~SmartCards() = default;
  virtual ScardResult establish_context(std::uint32_t scope, ScardContext* context) = 0;
  // SCardListReadersW with no group list. `length` holds the buffer's size
  // in characters and receives the characters written: the names, each
  // zero-terminated, and one more zero at the end. A list that does not fit
  // fails with kScardEInsufficientBuffer.
  virtual ScardResult list_readers(ScardContext context, char16_t* readers,
                                   std::uint32_t* length) = 0;
  virtual ScardResult release_context(ScardContext context) = 0;
};

// A resource manager context, released when it goes out of scope.
using ScopedCardContext = Scoped<SmartCards, ScardContext, &SmartCards::release_context>;

}  // namespace platform
