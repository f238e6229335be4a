// The window a dialog's logic talks to. The logic classes never touch a
// window handle: they ask their host, which is a real dialog window in the
// Windows build and a recorded set of controls in the simulation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/util/message_map.h"
#include "platform/window_host.h"

namespace platform {

class DialogHost : public ModalWindowHost {
 public:
  virtual void set_title(std::u16string_view title) = 0;
  virtual std::u16string title() = 0;

  virtual void set_text(int control, std::u16string_view text) = 0;
  virtual std::u16string text(int control) = 0;
  virtual void enable(int control, bool enabled) = 0;
  // May be asked from another thread (the wizard's worker handshake).
  virtual bool is_enabled(int control) = 0;
  virtual void show(int control, bool visible) = 0;
  virtual bool is_visible(int control) = 0;
  virtual void set_check(int control, bool checked) = 0;
  virtual bool is_checked(int control) = 0;

  // CB_ADDSTRING: a sorted combo box puts the item in its place.
  virtual void combo_add(int control, std::u16string_view item) = 0;
  // CB_RESETCONTENT: no items, no selection, an empty edit field.
  virtual void combo_reset(int control) = 0;
  virtual void combo_select(int control, int index) = 0;
  virtual int combo_selection(int control) = 0;

  virtual void progress_range(int control, int low, int high) = 0;
  virtual void progress_position(int control, int position) = 0;

  // Static picture controls: show a bitmap resource.
  virtual void set_bitmap(int control, int bitmap_resource) = 0;

  // Removes and dispatches every waiting message of the thread's queue.
  virtual void pump_messages() = 0;

  // Appearance. A host without a screen may ignore these; the defaults do
  // nothing.
  // Loads a bitmap resource and keeps it for the window's life, so that a
  // later set_bitmap of it shows the loaded picture.
  virtual void load_bitmap(int /*bitmap_resource*/) {}
  // A minimised window's painting (WM_PAINT): whether it is minimised, the
  // sizes its icon is centred with (client area, the system's icon size),
  // and the window's icon drawn at (x, y) after its background is erased.
  virtual bool is_minimized() { return false; }
  virtual void icon_paint_sizes(int* /*client_width*/, int* /*client_height*/, int* /*icon_width*/,
                                int* /*icon_height*/) {}
  virtual void paint_icon(int /*x*/, int /*y*/) {}
  // Gives a control the dialog's own font at `height` logical units and
  // `weight` (700: bold), not italic, underlined or struck out: the face
  // that serves the dialog's text in the desk's language serves the control
  // too. A dialog without a font of its own gives a Swiss face of the
  // system's choice.
  virtual void set_dialog_face_font(int /*control*/, int /*height*/, int /*weight*/) {}

  // Colours a control object of the program owns: a single-colour brush
  // (0: none could be made) and its deletion, a system colour (GetSysColor
  // index), and the colours and brush a static control paints with from now
  // on (the reflected WM_CTLCOLORSTATIC), repainted with its background
  // erased. The brush stays the caller's.
  using BrushRef = std::uintptr_t;
  virtual BrushRef create_solid_brush(std::uint32_t /*color*/) { return 0; }
  virtual void delete_brush(BrushRef /*brush*/) {}
  virtual std::uint32_t system_color(int /*index*/) { return 0; }
  virtual void set_control_colors(int /*control*/, std::uint32_t /*text_color*/,
                                  std::uint32_t /*background_color*/, BrushRef /*brush*/) {}

  // The dialog's window, for another thread that may outlive this host: it
  // reaches the window only through the Desktop port. 0 for a host without
  // a window.
  virtual std::uintptr_t window_ref() { return 0; }
};

// GetSysColor indexes.
inline constexpr int kColorButtonFace = 15;
inline constexpr int kColorButtonText = 18;

inline constexpr std::uint32_t kSystemColor = 0xFFFFFFFFu;

// The behaviour behind a dialog window.
using DialogLogic = WindowLogic<DialogHost>;

}  // namespace platform
