// The two dialog templates as the built program carries them, read from the
// resource bytes, against the simulated dialogs the tests make from the same
// resource script: every control with an id, its text or picture, its
// visibility and a combo box's sorting and items, and the caption.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "pelmora_ids.h"
#include "platform/util/dialog_init.h"
#include "platform/util/text.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_system.h"
#include "platform_win32/windows_api.h"
#include "support/resource_templates.h"

// After windows.h.
#include <commctrl.h>

namespace {

struct Item {
  std::u16string klass;  // "Button", "Static", ... or the class name
  int id;
  short x, y, cx, cy;
  DWORD style;
  std::u16string text;
  int picture = -1;  // a static control's bitmap id
};

struct Template {
  DWORD style = 0;
  short cx = 0, cy = 0;
  std::u16string caption;
  WORD points = 0;
  std::u16string face;
  std::vector<Item> items;
};

class Reader {
 public:
  Reader(const BYTE* data, DWORD size) : data_(data), size_(size) {}
  WORD word() { return take<WORD>(); }
  DWORD dword() { return take<DWORD>(); }
  short shortv() { return take<short>(); }
  BYTE byte() { return take<BYTE>(); }
  std::u16string text() {
    std::u16string out;
    for (WORD c; (c = word()) != 0 && ok_;) out.push_back(static_cast<char16_t>(c));
    return out;
  }
  // A name or an ordinal (0xFFFF, then the number).
  std::u16string name_or_ordinal(int* ordinal) {
    *ordinal = -1;
    const WORD first = word();
    if (first == 0xFFFF) {
      *ordinal = word();
      return {};
    }
    std::u16string out;
    for (WORD c = first; c != 0 && ok_; c = word()) out.push_back(static_cast<char16_t>(c));
    return out;
  }
  void align() { at_ = (at_ + 3) & ~std::size_t{3}; }
  void skip(std::size_t n) { at_ += n; }
  bool ok() const { return ok_ && at_ <= size_; }

 private:
  template <typename T>
  T take() {
    T value{};
    if (at_ + sizeof(T) > size_) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, data_ + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  const BYTE* data_;
  DWORD size_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::u16string class_of(int ordinal, const std::u16string& name) {
  for (const auto& [number, klass] : {std::pair{0x80, u"Button"}, std::pair{0x81, u"Edit"},
                                      std::pair{0x82, u"Static"}, std::pair{0x85, u"ComboBox"}})
    if (ordinal == number) return klass;
  return name;
}

Template load(int id) {
  Template t;
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG);
  EXPECT_NE(found, nullptr) << id;
  if (!found) return t;
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  Reader r(data, SizeofResource(nullptr, found));
  EXPECT_EQ(r.word(), 1);  // DLGTEMPLATEEX
  EXPECT_EQ(r.word(), 0xFFFF);
  r.dword();  // help id
  r.dword();  // extended style
  t.style = r.dword();
  const WORD count = r.word();
  r.shortv();
  r.shortv();
  t.cx = r.shortv();
  t.cy = r.shortv();
  int ordinal = 0;
  r.name_or_ordinal(&ordinal);  // menu
  r.name_or_ordinal(&ordinal);  // class
  t.caption = r.text();
  if (t.style & DS_SETFONT) {
    t.points = r.word();
    r.word();
    r.byte();
    r.byte();
    t.face = r.text();
  }
  for (WORD i = 0; i < count && r.ok(); ++i) {
    r.align();
    Item item;
    r.dword();  // help id
    r.dword();  // extended style
    item.style = r.dword();
    item.x = r.shortv();
    item.y = r.shortv();
    item.cx = r.shortv();
    item.cy = r.shortv();
    item.id = static_cast<int>(static_cast<LONG>(r.dword()));
    const std::u16string klass = r.name_or_ordinal(&ordinal);
    item.klass = class_of(ordinal, klass);
    item.text = r.name_or_ordinal(&item.picture);
    r.skip(r.word());
    t.items.push_back(item);
  }
  EXPECT_TRUE(r.ok());
  return t;
}

std::vector<platform::DialogInitRecord> load_init(int id) {
  std::vector<platform::DialogInitRecord> records;
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id),
                                    MAKEINTRESOURCEW(platform::kDialogInitResourceType));
  if (!found) return records;
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
  EXPECT_TRUE(platform::parse_dialog_init(data, SizeofResource(nullptr, found), &records));
  return records;
}

TEST(DialogTemplates, TheSimulatedDialogsAreThoseTheProgramCarries) {
  for (const auto& [id, name, face] :
       {std::tuple{IDD_PELMORA_DIALOG, "IDD_PELMORA_DIALOG", u"Microsoft Sans Serif"},
        std::tuple{IDD_SELECT_PRINTER, "IDD_SELECT_PRINTER", u"MS Shell Dlg"}}) {
    SCOPED_TRACE(name);
    const Template t = load(id);
    platform::sim::SimClock clock;
    platform::sim::SimDialogHost host(clock);
    test_support::DefineTemplate(host, name);
    EXPECT_EQ(t.caption, host.title());
    EXPECT_EQ(t.points, 8);
    EXPECT_EQ(t.face, face);
    EXPECT_EQ(t.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    ASSERT_GE(t.items.size(), 5u);
    for (const Item& item : t.items) {
      if (item.id == -1) continue;
      SCOPED_TRACE(item.id);
      ASSERT_TRUE(host.has_control(item.id));
      const platform::sim::SimDialogHost::Control control = host.control(item.id);
      EXPECT_EQ(control.text, item.text);
      EXPECT_EQ(control.bitmap, item.picture == -1 ? 0 : item.picture);
      EXPECT_EQ(control.visible, (item.style & WS_VISIBLE) != 0);
      EXPECT_EQ(control.sorted, item.klass == u"ComboBox" && (item.style & CBS_SORT) != 0);
    }
    std::vector<std::u16string> items;
    for (const auto& record : load_init(id)) items.push_back(platform::to_utf16(record.text));
    EXPECT_EQ(host.combo_items(IDC_LANGUAGE), id == IDD_PELMORA_DIALOG ? items : decltype(items){});
  }
}

}  // namespace
