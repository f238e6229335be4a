#include "color_static.h"

namespace pelmora {

// The blink timer's id on the control.
constexpr std::uint32_t kBlinkTimer = 1;

void CColorStaticST::Attach(platform::DialogHost* host, int control) {
  host_ = host;
  control_ = control;
  textColor_ = host_->system_color(platform::kColorButtonText);
  backgroundColor_ = host_->system_color(platform::kColorButtonFace);
  brush_ = host_->create_solid_brush(backgroundColor_);
  Apply();
}

void CColorStaticST::SetBkColor(std::uint32_t color) {
  if (!host_) return;
  backgroundColor_ =
      color == platform::kSystemColor ? host_->system_color(platform::kColorButtonFace) : color;
  const platform::DialogHost::BrushRef old = brush_;
  brush_ = host_->create_solid_brush(backgroundColor_);
  Apply();
  host_->delete_brush(old);
}

void CColorStaticST::SetTextColor(std::uint32_t color) {
  if (!host_) return;
  textColor_ =
      color == platform::kSystemColor ? host_->system_color(platform::kColorButtonText) : color;
  Apply();
}

void CColorStaticST::OnDestroy() {
  if (!host_) return;
  if (blinkTimerRunning_) host_->kill_timer(kBlinkTimer);
  blinkTimerRunning_ = false;
  host_->delete_brush(brush_);
  brush_ = 0;
}

void CColorStaticST::Apply() { host_->set_control_colors(control_, textColor_, backgroundColor_, brush_); }

}  // namespace pelmora
