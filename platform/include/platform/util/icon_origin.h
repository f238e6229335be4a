// Where a minimised window draws its icon: centred in the client area, with
// the integer halves Windows uses (rounded up, then divided towards zero).
#pragma once

namespace platform {

struct IconOrigin {
  int x;
  int y;
};

inline IconOrigin centered_icon_origin(int clientWidth, int clientHeight, int iconWidth,
                                       int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace platform
