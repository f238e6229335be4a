#include "monitor/balloon.h"

#include <string_view>

#include "monitor/status_poll.h"
#include "platform/util/scoped.h"
#include "platform/util/text.h"

namespace tessaly {

namespace {

// A font or brush of the canvas, released through it when it goes.
using CanvasFont =
    platform::Scoped<platform::Canvas, platform::GdiRef, &platform::Canvas::release_font>;
using CanvasBrush =
    platform::Scoped<platform::Canvas, platform::GdiRef, &platform::Canvas::release_brush>;

// A shown panel: what a change of the printers means to the reader. Panel
// text, ribbon count and lock type follow from these or do not matter enough
// to repaint.
bool shows_differently(const PrinterStatusRecord& a, const PrinterStatusRecord& b) {
  return a.online != b.online || a.status_main != b.status_main ||
         a.status_error != b.status_error || a.lam_status != b.lam_status ||
         a.lam_error != b.lam_error;
}

const platform::MessageMapEntry<CTBalloon> kMessageMap[] = {
    platform::on_timer_message<CTBalloon>(&CTBalloon::on_timer),
    platform::on_message<CTBalloon>(platform::kWmPaint, &CTBalloon::on_paint_message),
};

}  // namespace

CTBalloon::CTBalloon(platform::Platform& platform, platform::UiSystem& system)
    : platform_(platform),
      system_(system),
      work_area_(system.work_area()),
      // Read once: a program aware of the system DPI keeps it for its life.
      dpi_(system.screen_dpi() > 0 ? system.screen_dpi() : 96),
      width_(scaled(kBalloonWidth)),
      panel_height_(scaled(kPanelHeight)),
      slide_step_(scaled(kSlideStep)) {}

CTBalloon::~CTBalloon() {
  if (host_ != nullptr) host_->detach();
}

platform::MessageResult CTBalloon::handle_message(const platform::WindowMessage& message) {
  return platform::dispatch_message_map(*this, kMessageMap, message);
}

platform::MessageResult CTBalloon::on_paint_message(const platform::WindowMessage&) {
  if (host_ == nullptr) return {false, 0};
  host_->paint([this](platform::Canvas& canvas) { on_paint(canvas); });
  return {true, 0};
}

int CTBalloon::scaled(int pixels) const {
  // MulDiv's rounding: half away from zero.
  const long long product = static_cast<long long>(pixels) * dpi_;
  return static_cast<int>(product >= 0 ? (product + 48) / 96 : -((-product + 48) / 96));
}

void CTBalloon::work_area_changed() {
  work_area_ = system_.work_area();
  const int up = rect_.bottom - rect_.top;
  rect_.right = work_area_.right;
  rect_.left = rect_.right - width_;
  rect_.bottom = work_area_.bottom;
  rect_.top = rect_.bottom - up;
  if (host_ != nullptr) host_->move_window(rect_, true);
}

void CTBalloon::follow_work_area() {
  // The notices do not cover every change: Wine sends WM_DISPLAYCHANGE
  // before its taskbar has moved to the new screen's edge, and nothing when
  // the taskbar first comes up. Each rise and refresh looks again.
  if (system_.work_area() != work_area_) work_area_changed();
}

void CTBalloon::poll() { poll_printer_status(platform_, display_, snapshot_); }

void CTBalloon::set_rise_geometry() {
  rect_.right = work_area_.right;
  rect_.left = rect_.right - width_;
  rect_.bottom = work_area_.bottom;
  rect_.top = rect_.bottom;
  height_ = static_cast<int>(snapshot_.count) * panel_height_;
}

void CTBalloon::set_shown_geometry() {
  set_rise_geometry();
  rect_.top = rect_.bottom - height_;
}

void CTBalloon::start_rise() {
  follow_work_area();
  display_.slide_state = Rising;
  display_.elapsed_ms = 0;
  poll();
  set_rise_geometry();
  if (host_ != nullptr) host_->set_timer(kBalloonTimerId, kBalloonTimerMs);
}

bool CTBalloon::create_balloon() {
  const bool created = host_ != nullptr && host_->create(*this);
  // The rise runs whatever the creation gave: the poll and the tick still
  // need the state, and a balloon without window simply shows nothing.
  start_rise();
  return created;
}

void CTBalloon::show_balloon() {
  if (display_.slide_state != Hidden) return;
  if (host_ != nullptr) host_->bring_to_top();
  start_rise();
}

bool CTBalloon::refresh_balloon() {
  follow_work_area();
  const StatusSnapshot old = snapshot_;
  poll();
  set_shown_geometry();
  if (old.count != snapshot_.count) return true;
  for (std::uint32_t i = 0; i < snapshot_.count && i < kMaxRecords; ++i)
    if (shows_differently(old.records[i], snapshot_.records[i])) return true;
  return false;
}

bool CTBalloon::any_record_active() const {
  for (std::uint32_t i = 0; i < snapshot_.count && i < kMaxRecords; ++i)
    if (snapshot_.records[i].active) return true;
  return false;
}

void CTBalloon::on_timer(std::uintptr_t id) {
  if (id != kBalloonTimerId) return;
  if (display_.slide_state == Hidden) return;
  display_.elapsed_ms += kBalloonTimerMs;
  switch (display_.slide_state) {
    case Rising:
      rect_.top -= slide_step_;
      if (rect_.top < rect_.bottom - height_) {
        rect_.top = rect_.bottom - height_;
        display_.slide_state = Shown;
      }
      if (host_ != nullptr) host_->move_window(rect_, true);
      break;
    case Shown:
      if (display_.pinned || any_record_active()) display_.elapsed_ms = 0;
      if (display_.mode_popup && display_.elapsed_ms > display_.hide_after_ms)
        display_.slide_state = Falling;
      if (display_.elapsed_ms % kRefreshEveryMs == 0 && refresh_balloon() && host_ != nullptr) {
        host_->move_window(rect_, true);
        host_->invalidate(true);
      }
      break;
    case Falling:
      rect_.top += slide_step_;
      if (rect_.top > rect_.bottom) {
        rect_.top = rect_.bottom;
        display_.slide_state = Hidden;
        if (host_ != nullptr) host_->kill_timer(kBalloonTimerId);
      }
      if (host_ != nullptr) host_->move_window(rect_, true);
      break;
    default:
      break;
  }
  if (host_ != nullptr) host_->show_window(platform::kSwRestore);
}

void CTBalloon::on_paint(platform::Canvas& canvas) const {
  CanvasBrush background(canvas, canvas.create_brush(kBalloonBackground));
  canvas.fill_rect({0, 0, width_, rect_.bottom - rect_.top}, background.get());
  background.reset();
  for (std::uint32_t i = 0; i < snapshot_.count && i < kMaxRecords; ++i)
    paint_panel(canvas, snapshot_.records[i], static_cast<int>(i) * panel_height_);
}

void CTBalloon::paint_panel(platform::Canvas& canvas, const PrinterStatusRecord& record,
                            int y) const {
  const int margin = scaled(12);
  const int band_height = scaled(20);
  const int cell_width = scaled(12);
  const int cell_height = scaled(18);
  const int cell_pitch = scaled(14);
  // Released in the opposite order: the band, then the cell font, then the
  // text font.
  const CanvasFont text_font_owner(
      canvas,
      canvas.create_font(u"Arial", scaled(14), 400, platform::kDefaultCharSet, platform::kFfSwiss));
  const CanvasFont cell_font_owner(
      canvas, canvas.create_font(u"Fixedsys", scaled(12), 400, platform::kDefaultCharSet,
                                 platform::kFfSwiss));
  const CanvasBrush band_owner(canvas, canvas.create_brush(kBandColor));
  const platform::GdiRef text_font = text_font_owner.get();
  const platform::GdiRef cell_font = cell_font_owner.get();
  const platform::GdiRef band = band_owner.get();

  canvas.select_font(text_font);
  canvas.set_transparent_background();
  canvas.set_text_color(kTextColor);
  canvas.fill_rect({0, y, width_, y + band_height}, band);
  canvas.draw_text(platform::view_of(record.queue_name),
                   {margin, y, width_ - margin, y + band_height},
                   platform::kDtLeft | platform::kDtTop | platform::kDtNoPrefix);

  canvas.select_font(cell_font);
  const std::u16string_view lines[2] = {platform::view_of(record.line1),
                                        platform::view_of(record.line2)};
  const int bottoms[2] = {y + scaled(44), y + scaled(64)};
  for (int line = 0; line < 2; ++line) {
    for (int k = 0; k < static_cast<int>(kPanelWidth); ++k) {
      const int left = margin + cell_pitch * k;
      const platform::Rect cell{left, bottoms[line] - cell_height, left + cell_width,
                                bottoms[line]};
      canvas.fill_rect(cell, band);
      // A line shorter than the panel leaves the rest of its cells empty.
      if (static_cast<std::size_t>(k) < lines[line].size())
        canvas.draw_text(lines[line].substr(static_cast<std::size_t>(k), 1), cell,
                         platform::kDtCenter | platform::kDtWordBreak);
    }
  }

  canvas.select_font(text_font);
  canvas.draw_text(platform::view_of(record.line3),
                   {margin, y + scaled(70), width_ - margin, y + panel_height_},
                   platform::kDtLeft | platform::kDtTop);
  canvas.fill_rect({0, y + panel_height_, width_, y + panel_height_ + scaled(2)}, band);
}

}  // namespace tessaly
