// The open-file dialog as a folder picker, driven from a second thread the way
// a person would use it: look at it, then confirm or cancel.
#include "ui/win32/folder_picker_win32.h"

#include <commdlg.h>
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/win32/wide.h"
#include "target/directory.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::win32::narrow;
using platform::win32::widen;

const wchar_t* const kTitle = L"Wybierz folder instalacji biblioteki";
constexpr int kHidden[] = {0x470, 0x441, 0x47C, 0x480, 0x442};
constexpr int kOlderNameField = 0x480;

struct Seen {
  std::wstring caption;
  std::string folder;         // the folder the dialog shows
  bool fieldsHidden = false;  // file name and file type fields
  bool found = false;
};

// Waits for the dialog, records what it shows, then does `act` to it.
void drive(Seen& seen, const std::function<void(HWND)>& act) {
  HWND dialog = nullptr;
  for (int i = 0; i < 500 && !dialog; ++i) {
    dialog = FindWindowW(L"#32770", kTitle);
    if (!dialog) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!dialog) return;
  seen.found = true;
  for (int i = 0; i < 250 && !IsWindowVisible(dialog); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // Once shown, the dialog keeps its confirm button and no name or type field
  // (the older style's name field may be missing altogether).
  auto hidden = [&] {
    if (!IsWindowVisible(GetDlgItem(dialog, IDOK))) return false;
    for (int id : kHidden) {
      HWND c = GetDlgItem(dialog, id);
      if (c ? IsWindowVisible(c) : id != kOlderNameField) return false;
    }
    return true;
  };
  for (int i = 0; i < 100 && !hidden(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  seen.fieldsHidden = hidden();
  wchar_t text[MAX_PATH] = {};
  GetWindowTextW(dialog, text, MAX_PATH);
  seen.caption = text;
  DWORD_PTR result = 0;
  wchar_t folder[MAX_PATH] = {};
  if (SendMessageTimeoutW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder), SMTO_BLOCK, 5000,
                          &result))
    seen.folder = narrow(folder);
  act(dialog);
}

void click(HWND dialog, int id) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_BLOCK, 5000, &result);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class Win32FolderPickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "the dialog needs a display (run inside the Wine session with Xvfb)";
    ASSERT_TRUE(platform::createDirs(platform::systemEnv(), dir.path("Orvanta\\CAD Virel\\dodatki\\Meble")));
  }

  // Runs the picker through GimmeDir while another thread acts on the dialog.
  bool pick(std::string& folder, Seen& seen, const std::function<void(HWND)>& act) {
    ui::win32::Win32FolderPicker picker;
    std::thread driver([&] { drive(seen, act); });
    bool confirmed = Directory::GimmeDir(picker, '\\', folder);
    driver.join();
    return confirmed;
  }

  test::TempDir dir;
};

TEST_F(Win32FolderPickerTest, ShowsOnlyTheFolderViewAtTheStartFolderAndConfirmsIt) {
  const std::string start = dir.path("Orvanta\\CAD Virel\\dodatki\\Meble\\");
  std::string folder = start;
  Seen seen;
  EXPECT_TRUE(pick(folder, seen, [](HWND d) { click(d, IDOK); }));
  ASSERT_TRUE(seen.found) << "no dialog titled as expected";
  EXPECT_EQ(seen.caption, kTitle);
  EXPECT_TRUE(seen.fieldsHidden);
  EXPECT_EQ(lower(seen.folder + "\\"), lower(start));
  EXPECT_EQ(lower(folder), lower(start));
}

TEST_F(Win32FolderPickerTest, ReturnsTheFolderTheUserWentTo) {
  std::string folder = dir.folder();
  const std::string target = dir.path("Orvanta\\CAD Virel\\");
  Seen seen;
  EXPECT_TRUE(pick(folder, seen, [&](HWND d) {
    // The hidden name box still takes a path; confirming it is how a person's
    // navigation ends.
    const std::wstring name = widen(target + "*.");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(d, CDM_SETCONTROLTEXT, 0x47C, reinterpret_cast<LPARAM>(name.c_str()), SMTO_BLOCK, 5000,
                        &result);
    click(d, IDOK);
  }));
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(lower(folder), lower(target));
}

TEST_F(Win32FolderPickerTest, CancelKeepsTheFolder) {
  std::string folder = dir.folder();
  Seen seen;
  EXPECT_FALSE(pick(folder, seen, [](HWND d) { click(d, IDCANCEL); }));
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(folder, dir.folder());
}

}  // namespace
