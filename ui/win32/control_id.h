#pragma once
// The Win32 child window of a control gets an id derived from the control's
// name, so a test driver in another process finds it without knowing the
// stacking order.
#include <cstdint>
#include <string_view>

namespace ui::win32 {

constexpr int controlIdFor(std::string_view name) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (char c : name) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return 0x1000 + static_cast<int>(h % 0x6000u);
}

// Window properties a test driver reads on a control's child window.
inline constexpr wchar_t kInputProperty[] = L"CadTakesInput";  // 1 while it takes mouse input
inline constexpr wchar_t kPointerProperty[] = L"CadPointer";   // 1 arrow, 2 hand, 3 not-allowed
// The colour at the centre of a shown cover picture, 0xRRGGBB + 1 (0: none),
// so a driver can tell which picture the window shows.
inline constexpr wchar_t kPictureProperty[] = L"CadPictureCentre";
inline constexpr wchar_t kWindowClass[] = L"TForm1";
inline constexpr wchar_t kControlClass[] = L"CadControl";

}  // namespace ui::win32
