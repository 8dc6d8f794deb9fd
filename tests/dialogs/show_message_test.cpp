// ShowMessage: the formatted text in a real message box, read and closed by
// a second thread while the box's modal loop runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "dialogs/window_message.h"

namespace {

BOOL CALLBACK CollectText(HWND child, LPARAM lParam) {
  char text[2048] = "";
  GetWindowTextA(child, text, sizeof text);
  if (text[0]) reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(text);
  return TRUE;
}

// Shows the box and returns the texts of its controls.
template <class... Args>
std::vector<std::string> ShowAndRead(const char* caption, const char* format, Args... args) {
  std::vector<std::string> texts;
  bool found = false;
  std::thread reader([&] {
    for (int attempt = 0; attempt < 1000 && !found; ++attempt) {
      if (HWND box = FindWindowA(nullptr, caption)) {
        found = true;
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      } else {
        Sleep(20);
      }
    }
  });
  dlg::ShowMessage(nullptr, caption, MB_OK, format, args...);
  reader.join();
  EXPECT_TRUE(found) << "no message box captioned " << caption;
  return texts;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  for (const std::string& t : texts) {
    if (t == text) return true;
  }
  return false;
}

TEST(ShowMessageTest, FormatsTheText) {
  const auto texts = ShowAndRead("dialogs test box", "File (%s) saved. %d%c", "a.cfg", -3, '!');
  EXPECT_TRUE(Contains(texts, "File (a.cfg) saved. -3!"));
}

TEST(ShowMessageTest, LongTextIsCutToTheBuffer) {
  const std::string longText(2000, 'x');
  const auto texts = ShowAndRead("dialogs long box", "%s", longText.c_str());
  EXPECT_TRUE(Contains(texts, std::string(1023, 'x')));
}

}  // namespace
