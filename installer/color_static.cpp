#include "color_static.h"

#include <utility>

namespace pelmora {

// The blink timer's id on the control.
constexpr std::uint32_t kBlinkTimer = 1;

void CColorStaticST::Attach(platform::DialogHost* host, int control) {
  // A brush of an earlier window went with that window's host.
  brush_.release();
  host_ = host;
  control_ = control;
  text_color_ = host_->system_color(platform::kColorButtonText);
  background_color_ = host_->system_color(platform::kColorButtonFace);
  brush_ = decltype(brush_)(*host_, host_->create_solid_brush(background_color_));
  Apply();
}

void CColorStaticST::SetBkColor(std::uint32_t color) {
  if (!host_) return;
  background_color_ =
      color == platform::kSystemColor ? host_->system_color(platform::kColorButtonFace) : color;
  // The control keeps the old brush until it has the new one.
  const auto old = std::move(brush_);
  brush_ = decltype(brush_)(*host_, host_->create_solid_brush(background_color_));
  Apply();
}

void CColorStaticST::SetTextColor(std::uint32_t color) {
  if (!host_) return;
  text_color_ =
      color == platform::kSystemColor ? host_->system_color(platform::kColorButtonText) : color;
  Apply();
}

void CColorStaticST::OnDestroy() {
  if (!host_) return;
  if (blink_timer_running_) host_->kill_timer(kBlinkTimer);
  blink_timer_running_ = false;
  brush_.reset();
}

void CColorStaticST::Apply() {
  host_->set_control_colors(control_, text_color_, background_color_, brush_.get());
}

}  // namespace pelmora
