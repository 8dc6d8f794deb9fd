// The editor's resources as the program carries them: the dialog templates
// item by item, the menu bar, the hints, the icon and the version resource.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cfg_version.h"
#include "resources/resource.h"

namespace {

struct TemplateItem {
  std::string cls;
  std::string caption;
  int id;
  int x, y, w, h;
  DWORD style;  // without WS_CHILD and WS_VISIBLE, checked separately
  DWORD exStyle;
};

struct DialogTemplateInfo {
  bool extended = false;
  DWORD style = 0, exStyle = 0;
  int x = 0, y = 0, w = 0, h = 0;
  std::string menu, cls, caption, font;
  int pointSize = 0;
  std::vector<TemplateItem> items;
};

// Reads the template structures straight from the resource bytes.
class TemplateReader {
 public:
  explicit TemplateReader(const uint8_t* p) : p_(p), start_(p) {}
  uint16_t Word() { uint16_t v; memcpy(&v, p_, 2); p_ += 2; return v; }
  uint32_t Dword() { uint32_t v; memcpy(&v, p_, 4); p_ += 4; return v; }
  int16_t Short() { return static_cast<int16_t>(Word()); }
  uint8_t Byte() { return *p_++; }
  void AlignDword() { while ((p_ - start_) % 4 != 0) ++p_; }
  // A string or an ordinal (written "#n").
  std::string SzOrOrd() {
    uint16_t first = Word();
    if (first == 0xFFFF) return "#" + std::to_string(Word());
    std::string text;
    for (uint16_t c = first; c != 0; c = Word()) text += static_cast<char>(c);
    return text;
  }
  void Skip(size_t n) { p_ += n; }

 private:
  const uint8_t* p_;
  const uint8_t* start_;
};

std::string ClassOf(const std::string& raw) {
  if (raw == "#128") return "Button";
  if (raw == "#129") return "Edit";
  if (raw == "#130") return "Static";
  if (raw == "#131") return "ListBox";
  if (raw == "#133") return "ComboBox";
  return raw;
}

DialogTemplateInfo ReadTemplate(int id) {
  DialogTemplateInfo info;
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
  if (found == nullptr) return info;
  TemplateReader r(static_cast<const uint8_t*>(LockResource(LoadResource(module, found))));
  uint16_t version = r.Word();
  uint16_t signature = r.Word();
  info.extended = version == 1 && signature == 0xFFFF;
  int count;
  if (info.extended) {
    r.Dword();  // help ID
    info.exStyle = r.Dword();
    info.style = r.Dword();
  } else {
    info.style = version | (static_cast<DWORD>(signature) << 16);
    info.exStyle = r.Dword();
  }
  count = r.Word();
  info.x = r.Short(); info.y = r.Short(); info.w = r.Short(); info.h = r.Short();
  info.menu = r.SzOrOrd();
  info.cls = r.SzOrOrd();
  info.caption = r.SzOrOrd();
  if (info.style & DS_SETFONT) {
    info.pointSize = r.Word();
    if (info.extended) { r.Word(); r.Byte(); r.Byte(); }
    info.font = r.SzOrOrd();
  }
  for (int i = 0; i < count; ++i) {
    r.AlignDword();
    TemplateItem item{};
    if (info.extended) {
      r.Dword();  // help ID
      item.exStyle = r.Dword();
      item.style = r.Dword();
    } else {
      item.style = r.Dword();
      item.exStyle = r.Dword();
    }
    item.x = r.Short(); item.y = r.Short(); item.w = r.Short(); item.h = r.Short();
    item.id = info.extended ? static_cast<int>(r.Dword()) : static_cast<int16_t>(r.Word());
    item.cls = ClassOf(r.SzOrOrd());
    item.caption = r.SzOrOrd();
    r.Skip(r.Word());
    info.items.push_back(item);
  }
  return info;
}

void ExpectItems(const std::vector<TemplateItem>& actual, const std::vector<TemplateItem>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("control " + std::to_string(i) + " " + expected[i].cls + " \"" + expected[i].caption + "\"");
    const TemplateItem& a = actual[i];
    const TemplateItem& e = expected[i];
    EXPECT_EQ(lstrcmpiA(a.cls.c_str(), e.cls.c_str()), 0) << a.cls;  // class names ignore case
    EXPECT_EQ(a.caption, e.caption);
    EXPECT_EQ(a.id, e.id);
    EXPECT_EQ(a.x, e.x); EXPECT_EQ(a.y, e.y); EXPECT_EQ(a.w, e.w); EXPECT_EQ(a.h, e.h);
    EXPECT_EQ(a.style, e.style | WS_CHILD | WS_VISIBLE) << std::hex << a.style;
    EXPECT_EQ(a.exStyle, e.exStyle);
  }
}

constexpr DWORD kListStyle = LBS_NOTIFY | LBS_SORT | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT |
                             WS_BORDER | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kEditStyle = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kButtonStyle = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kLabelStyle = SS_LEFT | WS_GROUP;

TEST(EditorResources, MainTemplateHoldsEveryControlInTabOrder) {
  DialogTemplateInfo t = ReadTemplate(IDD_MAIN);
  EXPECT_TRUE(t.extended);
  EXPECT_EQ(t.caption, "Pelk Standart Configuration file editor (version 0.93 biuld June/23/1999)");
  EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER |
                                        DS_SETFOREGROUND | DS_3DLOOK | DS_SETFONT));
  EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_ACCEPTFILES));
  EXPECT_EQ(t.w, 403);
  EXPECT_EQ(t.h, 253);
  EXPECT_EQ(t.menu, "#104");
  EXPECT_EQ(t.font, "MS Sans Serif");
  EXPECT_EQ(t.pointSize, 8);
  const std::vector<TemplateItem> expected = {
      {"Static", "S&ections:", -1, 5, 5, 30, 8, kLabelStyle, 0},
      {"SysTreeView32", "Tree1", 1005, 5, 15, 180, 185,
       TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS |
           WS_BORDER | WS_TABSTOP, 0},
      {"Button", "(&1) Add", 1019, 5, 220, 40, 15, kButtonStyle, 0},
      {"Button", "(&2) Delete", 1020, 50, 220, 40, 15, kButtonStyle, 0},
      {"Button", "(&3) Update", 1022, 95, 220, 40, 15, kButtonStyle, 0},
      {"Static", "&Records", -1, 195, 5, 28, 8, kLabelStyle, 0},
      {"ListBox", "", 1000, 195, 15, 205, 70, kListStyle, 0},
      {"Edit", "", 1011, 195, 90, 205, 12, kEditStyle, 0},
      {"Button", "(&6) Update", 1012, 360, 105, 40, 15, kButtonStyle, 0},
      {"Button", "(&4) Add", 1013, 270, 105, 40, 15, kButtonStyle, 0},
      {"Button", "(&5) Delete", 1014, 315, 105, 40, 15, kButtonStyle, 0},
      {"Static", "&Values", -1, 195, 115, 22, 8, kLabelStyle, 0},
      {"ListBox", "", 1007, 195, 125, 205, 60, kListStyle, 0},
      {"Static", "&Name:", -1, 195, 190, 22, 8, kLabelStyle, 0},
      {"Edit", "", 1023, 220, 190, 125, 12, kEditStyle, 0},
      {"ComboBox", "", 1018, 350, 190, 50, 55, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0},
      {"Static", "V&alue", -1, 195, 205, 19, 8, kLabelStyle, 0},
      {"Edit", "", 1002, 220, 205, 180, 12, kEditStyle, 0},
      {"Button", "(&9) Update", 1015, 360, 220, 40, 15, kButtonStyle, 0},
      {"Button", "(&7) Add", 1016, 270, 220, 40, 15, kButtonStyle, 0},
      {"Button", "(&8) Delete", 1017, 315, 220, 40, 15, kButtonStyle, 0},
      {"Edit", "", 1021, 5, 205, 180, 12, kEditStyle, 0},
      {"Button", "/Roo&t", 1025, 160, 220, 25, 15, kButtonStyle, 0},
      {"Static", "", -1, 190, 0, 1, 240, SS_ETCHEDVERT, 0},
      {"msctls_statusbar32", "", 1024, 5, 240, 150, 11, SBARS_SIZEGRIP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0},
      {"Static", "", -1, 0, 0, 400, 1, SS_ETCHEDHORZ, 0},
  };
  ExpectItems(t.items, expected);
}

TEST(EditorResources, AboutTemplateShowsNameVersionBuildAndIcon) {
  DialogTemplateInfo t = ReadTemplate(IDD_ABOUT);
  EXPECT_FALSE(t.extended);
  EXPECT_EQ(t.caption, "About");
  EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
  EXPECT_EQ(t.w, 212);
  EXPECT_EQ(t.h, 95);
  EXPECT_EQ(t.font, "MS Sans Serif");
  EXPECT_EQ(t.pointSize, 8);
  const std::vector<TemplateItem> expected = {
      {"Button", "OK", IDOK, 155, 5, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
      {"Static", "#102", -1, 170, 25, 20, 20, SS_ICON, 0},
      {"Static", "Pelk Standard Configuration files editor", -1, 5, 5, 115, 20, SS_CENTER | WS_GROUP, 0},
      {"Static", "Version:", -1, 5, 35, 26, 8, kLabelStyle, 0},
      {"Static", "0.93", -1, 50, 35, 70, 10, SS_RIGHT | SS_SUNKEN | WS_GROUP, 0},
      {"Static", "Build:", -1, 5, 50, 18, 8, kLabelStyle, 0},
      {"Static", "June/23/1999", -1, 50, 50, 70, 10, SS_RIGHT | SS_SUNKEN | WS_GROUP, 0},
  };
  ExpectItems(t.items, expected);
}

TEST(EditorResources, FindTemplateHoldsFieldButtonsAndHitsList) {
  DialogTemplateInfo t = ReadTemplate(IDD_FIND);
  EXPECT_FALSE(t.extended);
  EXPECT_EQ(t.caption, "Find");
  EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT));
  EXPECT_EQ(t.w, 330);
  EXPECT_EQ(t.h, 210);
  EXPECT_EQ(t.font, "MS Sans Serif");
  EXPECT_EQ(t.pointSize, 8);
  const std::vector<TemplateItem> expected = {
      {"Static", "Fi&nd what:", -1, 5, 7, 38, 8, kLabelStyle, 0},
      {"Edit", "", IDC_FIND_TEXT, 45, 5, 225, 12, kEditStyle, 0},
      {"Button", "&Find", IDC_FIND_START, 275, 4, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
      {"Static", "&Hits:", -1, 5, 24, 18, 8, kLabelStyle, 0},
      {"Static", "", IDC_FIND_STATUS, 25, 24, 245, 8, kLabelStyle | SS_NOPREFIX, 0},
      {"ListBox", "", IDC_FIND_HITS, 5, 34, 265, 171,
       LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 0},
      {"Button", "&Go to", IDC_FIND_GO_TO, 275, 34, 50, 14, kButtonStyle, 0},
      {"Button", "Close", IDC_FIND_CLOSE, 275, 52, 50, 14, kButtonStyle, 0},
  };
  ExpectItems(t.items, expected);
}

// The command IDs of every item of a menu and its submenus.
void MenuIds(HMENU menu, std::vector<int>& ids) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (HMENU sub = GetSubMenu(menu, i))
      MenuIds(sub, ids);
    else if (int id = static_cast<int>(GetMenuItemID(menu, i)); id != 0 && id != -1)
      ids.push_back(id);  // a separator has ID 0
  }
}

TEST(EditorResources, FindIdsCollideWithNoOtherControlOrCommand) {
  std::vector<int> others;
  for (int dialog : {IDD_MAIN, IDD_ABOUT})
    for (const TemplateItem& item : ReadTemplate(dialog).items)
      if (item.id != -1) others.push_back(item.id);
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_MAIN));
  ASSERT_NE(menu, nullptr);
  MenuIds(menu, others);
  DestroyMenu(menu);
  // The menu's own Find item is the one place IDM_FIND may stand.
  auto findItem = std::find(others.begin(), others.end(), IDM_FIND);
  ASSERT_NE(findItem, others.end());
  others.erase(findItem);
  for (int standard : {IDOK, IDCANCEL}) others.push_back(standard);

  std::vector<int> own = {IDM_FIND};
  for (const TemplateItem& item : ReadTemplate(IDD_FIND).items)
    if (item.id != -1) own.push_back(item.id);
  ASSERT_EQ(own.size(), 7u);
  for (size_t i = 0; i < own.size(); ++i) {
    SCOPED_TRACE(own[i]);
    EXPECT_EQ(std::count(others.begin(), others.end(), own[i]), 0);
    EXPECT_EQ(std::count(own.begin(), own.end(), own[i]), 1);
  }
}

// The menu as text: one line per item, submenus indented, "-" for a separator.
void DescribeMenu(HMENU menu, int depth, std::ostringstream& out) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[128] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(menu, i, TRUE, &info);
    out << std::string(depth * 2, ' ');
    if (info.fType & MFT_SEPARATOR) {
      out << "-\n";
      continue;
    }
    out << text;
    if (info.hSubMenu == nullptr) out << ' ' << info.wID;
    if (info.fState & MFS_GRAYED) out << " grayed";
    if (info.fState & MFS_CHECKED) out << " checked";
    out << '\n';
    if (info.hSubMenu != nullptr) DescribeMenu(info.hSubMenu, depth + 1, out);
  }
}

TEST(EditorResources, MenuBarHoldsEveryItemStateAndSeparator) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_MAIN));
  ASSERT_NE(menu, nullptr);
  std::ostringstream out;
  DescribeMenu(menu, 0, out);
  DestroyMenu(menu);
  EXPECT_EQ(out.str(),
            "&File\n"
            "  &New 1024\n"
            "  -\n"
            "  &Open file 1003\n"
            "  &Save 1026\n"
            "  Save &as 1010\n"
            "  &Compare with... 40007\n"
            "  -\n"
            "  E&xit 2\n"
            "&Edit\n"
            "  &Undo\tCtrl+Z 40005 grayed\n"
            "  Re&do\tCtrl+Y 40006 grayed\n"
            "  -\n"
            "  &Section\n"
            "    C&ut 40002 grayed\n"
            "    -\n"
            "    &Copy 40001\n"
            "    &Paste 40003\n"
            "    -\n"
            "    &Add 1019\n"
            "    &Update 1022\n"
            "    -\n"
            "    &Delete 1020\n"
            "    -\n"
            "    Go to &root 1025\n"
            "  &Record\n"
            "    &Add 1013\n"
            "    &Update 1012\n"
            "    -\n"
            "    &Delete 1014\n"
            "  &Value\n"
            "    &Add 1016\n"
            "    &Update 1015\n"
            "    -\n"
            "    &Delete 1017\n"
            "  -\n"
            "  Copy to &Internal buffer 40004 checked\n"
            "  -\n"
            "  &Find... 1028\n"
            "&Help\n"
            "  &About ... 1027\n");
}

TEST(EditorResources, EveryCommandHasAHint) {
  const int commands[] = {2,    1003, 1010, 1012, 1013,  1014,  1015,  1016,  1017, 1019, 1020,
                          1022, 1024, 1025, 1026, 1027, 1028, 40001, 40002, 40003, 40004, 40005, 40006, 40007};
  for (int id : commands) {
    SCOPED_TRACE(id);
    char text[256] = {};
    EXPECT_GT(LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text), 0);
  }
}

TEST(EditorResources, IconIsOne32By32ImageIn16Colours) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(IDI_CFGEDIT), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
  ASSERT_NE(group, nullptr);
  auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, group)));
  uint16_t count;
  memcpy(&count, bytes + 4, 2);
  ASSERT_EQ(count, 1);
  const uint8_t* entry = bytes + 6;  // width, height, colour count, reserved, planes, bit count, ...
  EXPECT_EQ(entry[0], 32);
  EXPECT_EQ(entry[1], 32);
  EXPECT_EQ(entry[2], 16);
  uint16_t bitCount;
  memcpy(&bitCount, entry + 6, 2);
  EXPECT_EQ(bitCount, 4);
  EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(IDI_CFGEDIT)), nullptr);
}

TEST(EditorResources, VersionIs0930SpecialBuildJune1999) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000009u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00030000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000009u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00030000u);
  EXPECT_TRUE(fixed->dwFileFlags & VS_FF_SPECIALBUILD);
  // The resource keeps its own spelling of the project's version (cfgtool,
  // the packages and the man page take it from there): 0.9.3 is 0,9,3,0 and "0.930".
  EXPECT_EQ(fixed->dwFileVersionMS, (DWORD{CFG_VERSION_MAJOR} << 16) | CFG_VERSION_MINOR);
  EXPECT_EQ(fixed->dwFileVersionLS, DWORD{CFG_VERSION_PATCH} << 16);
  const std::string projectVersion =
      std::to_string(CFG_VERSION_MAJOR) + "." + std::to_string(CFG_VERSION_MINOR) + std::to_string(CFG_VERSION_PATCH) + "0";
  const std::pair<const char*, const char*> strings[] = {
      {"FileVersion", "0.930"}, {"ProductVersion", "0.930"}, {"SpecialBuild", "June 1999"}};
  for (const auto& [key, expected] : strings) {
    SCOPED_TRACE(key);
    char* text = nullptr;
    std::string query = std::string("\\StringFileInfo\\040904E4\\") + key;
    ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, expected);
    if (std::string(key) != "SpecialBuild") {
      EXPECT_EQ(text, projectVersion);
    }
  }
}

}  // namespace
