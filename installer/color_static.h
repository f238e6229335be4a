// A static control in colours of its own: the wizard's header strip. It owns
// the brush its background is painted with; the window paints the control
// with its colours through the reflected control-colour message.
#pragma once

#include <cstdint>

#include "platform/dialog_host.h"
#include "platform/util/scoped.h"

namespace pelmora {

class CColorStaticST {
 public:
  CColorStaticST() = default;
  // The brush can be deleted only through the host it came from, which lives
  // from Attach to OnDestroy. A control whose window never saw WM_DESTROY may
  // outlive that host: its brush is then not deleted through a host that is
  // gone.
  ~CColorStaticST() { brush_.release(); }
  CColorStaticST(const CColorStaticST&) = delete;
  CColorStaticST& operator=(const CColorStaticST&) = delete;
  // Takes over control `control` of the dialog: the system's button text and
  // face colours until told otherwise.
  void Attach(platform::DialogHost* host, int control);
  // kSystemColor (-1) stands for the system's button-face colour; a new
  // brush of the colour replaces the old one, and the control repaints.
  void SetBkColor(std::uint32_t color);
  // kSystemColor (-1) stands for the system's button-text colour.
  void SetTextColor(std::uint32_t color);
  // WM_DESTROY of the control: the brush goes, and the blink timer stops if
  // it ever ran.
  void OnDestroy();

  std::uint32_t TextColor() const { return text_color_; }
  std::uint32_t BackgroundColor() const { return background_color_; }

 private:
  void Apply();

  platform::DialogHost* host_ = nullptr;
  int control_ = 0;
  std::uint32_t text_color_ = 0;
  std::uint32_t background_color_ = 0;
  // The background brush, deleted through the host when replaced or when the
  // control goes.
  platform::Scoped<platform::DialogHost, platform::DialogHost::BrushRef,
                   &platform::DialogHost::delete_brush>
      brush_;
  // The control can blink its text; the wizard never asks it to.
  bool blink_timer_running_ = false;
};

}  // namespace pelmora
