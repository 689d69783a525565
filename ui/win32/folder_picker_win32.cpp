#include "ui/win32/folder_picker_win32.h"

#include <commdlg.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/win32/wide.h"

namespace ui::win32 {
namespace {

// Dialog controls that make the open-file dialog a file picker (names as in dlgs.h).
constexpr int cmb1 = 0x470;   // the file type list
constexpr int stc2 = 0x441;   // its label
constexpr int cmb13 = 0x47C;  // the file name box
constexpr int edt1 = 0x480;   // the file name edit field of the older dialog style
constexpr int stc3 = 0x442;   // the file name label

// Preset in the hidden name box: only entries without an extension, in
// practice folders, match it, and confirming returns "<folder>\*.".
constexpr const wchar_t* kFolderPattern = L"*.";
// One filter entry whose description is the pattern itself.
constexpr wchar_t kFilter[] = L"*.\0*.\0";
constexpr DWORD kNameChars = 32768;

// The dialog's on-show handler: a hook window gets it, so the dialog is the
// hook's parent.
class TOpenDir {
 public:
  HWND Dialog = nullptr;  // the hook window

  void HideControls() const {
    HWND dialog = GetParent(Dialog);
    for (int id : {cmb1, stc2, cmb13, edt1, stc3}) SendMessageW(dialog, CDM_HIDECONTROL, static_cast<WPARAM>(id), 0);
  }
};

UINT_PTR CALLBACK hookProc(HWND hook, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
    SetWindowLongPtrW(hook, GWLP_USERDATA, static_cast<LONG_PTR>(ofn->lCustData));
  } else if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) {
    if (auto* openDir = reinterpret_cast<TOpenDir*>(GetWindowLongPtrW(hook, GWLP_USERDATA))) {
      openDir->Dialog = hook;
      openDir->HideControls();
    }
  }
  return 0;  // the dialog's own handling goes on
}

}  // namespace

std::optional<std::string> Win32FolderPicker::pick(const std::string& title, const std::string& startFolder) {
  TOpenDir openDir;
  std::vector<wchar_t> name(kNameChars, L'\0');
  wcscpy(name.data(), kFolderPattern);
  const std::wstring wideTitle = platform::win32::widen(title);
  const std::wstring initialDir = platform::win32::widen(startFolder);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = kNameChars;
  ofn.lpstrInitialDir = initialDir.c_str();
  ofn.lpstrTitle = wideTitle.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOVALIDATE;
  ofn.lpfnHook = hookProc;
  ofn.lCustData = reinterpret_cast<LPARAM>(&openDir);

  if (GetOpenFileNameW(&ofn)) return platform::win32::narrow(name.data());
  if (const DWORD error = CommDlgExtendedError()) {
    char text[64];
    std::snprintf(text, sizeof text, "GetOpenFileNameW failed: 0x%04lX", static_cast<unsigned long>(error));
    throw std::runtime_error(text);
  }
  return std::nullopt;
}

}  // namespace ui::win32
