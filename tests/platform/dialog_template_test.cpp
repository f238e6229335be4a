// The two dialog templates as the built program carries them: every
// control's class, id, place, size, style and caption, and the dialogs' own
// size, caption and font, read from the resource bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pelmora_ids.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <commctrl.h>

namespace {

struct Item {
  std::u16string klass;  // "Button", "Static", ... or the class name
  int id;
  short x, y, cx, cy;
  DWORD style;
  std::u16string text;
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
  switch (ordinal) {
    case 0x80:
      return u"Button";
    case 0x81:
      return u"Edit";
    case 0x82:
      return u"Static";
    case 0x85:
      return u"ComboBox";
    default:
      return name;
  }
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
    int text_ordinal = 0;
    item.text = r.name_or_ordinal(&text_ordinal);
    r.skip(r.word());
    t.items.push_back(item);
  }
  EXPECT_TRUE(r.ok());
  return t;
}

std::u16string upper(std::u16string text) {
  for (auto& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

void expect_items(const Template& t, const std::vector<Item>& expected, DWORD style_mask) {
  ASSERT_EQ(t.items.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Item& a = t.items[i];
    const Item& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(e.id));
    // Class names are compared without regard to case, as Windows does
    // (the resource compiler writes a CONTROL's class in capitals).
    EXPECT_EQ(upper(a.klass), upper(e.klass));
    EXPECT_EQ(a.id, e.id);
    EXPECT_EQ(a.x, e.x);
    EXPECT_EQ(a.y, e.y);
    EXPECT_EQ(a.cx, e.cx);
    EXPECT_EQ(a.cy, e.cy);
    EXPECT_EQ(a.style & style_mask, e.style) << std::hex << a.style;
    EXPECT_EQ(a.text, e.text);
  }
}

TEST(DialogTemplates, TheWizardsTemplate) {
  const Template t = load(IDD_PELMORA_DIALOG);
  EXPECT_EQ(t.cx, 360);
  EXPECT_EQ(t.cy, 218);
  EXPECT_EQ(t.caption, u"Pelmora");
  EXPECT_EQ(t.points, 8);
  EXPECT_EQ(t.face, u"Microsoft Sans Serif");
  EXPECT_EQ(t.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
            static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  // The style bits that make each kind what it is, and visibility.
  const DWORD mask = 0xFFFF | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_BORDER | WS_VSCROLL;
  const DWORD v = WS_VISIBLE;
  expect_items(
      t,
      {{u"Static", IDC_STATUS, 102, 54, 246, 17, v | SS_CENTERIMAGE | WS_GROUP, u""},
       {u"Button", IDC_PORT_TCPIP, 185, 56, 91, 15, v | BS_AUTORADIOBUTTON, u"TCP/IP Network port"},
       {u"Button", IDC_PORT_USB, 103, 56, 75, 12, v | BS_AUTORADIOBUTTON, u"Local USB port"},
       {u"Button", IDC_NEXT, 258, 189, 90, 17, v | WS_TABSTOP, u"Next"},
       {u"Button", IDC_CANCEL_BUTTON, 163, 189, 90, 17, v | WS_TABSTOP, u"Cancel"},
       {u"Edit", IDC_DETAILS, 21, 111, 320, 46, v | ES_MULTILINE | ES_READONLY | WS_TABSTOP, u""},
       {u"Button", -1, 11, 95, 337, 69, v | BS_GROUPBOX, u"Details"},
       {u"Static", IDC_PICTURE, 28, 46, 45, 44, v | SS_BITMAP | SS_CENTERIMAGE, u""},
       {u"msctls_progress32", IDC_PROGRESS, 101, 76, 247, 8, v | WS_BORDER, u""},
       {u"Static", -1, 1, 177, 358, 2, v | SS_ETCHEDFRAME, u""},
       {u"Button", IDC_SCAN, 69, 189, 90, 17, WS_TABSTOP, u"Scan"},
       {u"ComboBox", IDC_LANGUAGE, 289, 57, 59, 69, v | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
        u""},
       {u"Static", IDC_HEADER, 0, 0, 359, 41, v | SS_CENTERIMAGE | WS_GROUP, u""}},
      mask);
}

TEST(DialogTemplates, TheNetworkPrinterSelectionTemplate) {
  const Template t = load(IDD_SELECT_PRINTER);
  EXPECT_EQ(t.cx, 232);
  EXPECT_EQ(t.cy, 71);
  EXPECT_EQ(t.caption, u"Select a TCP/IP Network Printer");
  EXPECT_EQ(t.points, 8);
  EXPECT_EQ(t.face, u"MS Shell Dlg");
  const DWORD mask = 0xFFFF | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL;
  const DWORD v = WS_VISIBLE;
  expect_items(
      t,
      {{u"Static", -1, 7, 7, 156, 8, v | SS_LEFT, u"Please select a card printer."},
       {u"Button", IDC_REFRESH, 167, 7, 58, 12, v | WS_TABSTOP | BS_PUSHBUTTON, u"Refresh"},
       {u"ComboBox", IDC_PRINTER_COMBO, 7, 21, 218, 50,
        v | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, u""},
       {u"Button", IDOK, 43, 47, 72, 14, v | WS_TABSTOP | BS_DEFPUSHBUTTON, u"OK"},
       {u"Button", IDCANCEL, 117, 47, 72, 14, v | WS_TABSTOP | BS_PUSHBUTTON, u"Cancel"}},
      mask);
}

}  // namespace
