// Where a minimised window draws its icon: centred in the client area, with
// the integer halves Windows uses (rounded up, then divided towards zero).
#pragma once

namespace platform {

struct IconOrigin {
  int x;
  int y;
};

inline IconOrigin centered_icon_origin(int client_width, int client_height, int icon_width,
                                       int icon_height) {
  return {(client_width - icon_width + 1) / 2, (client_height - icon_height + 1) / 2};
}

}  // namespace platform
