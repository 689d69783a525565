// The Win32 realisation mirrors the model and turns window messages into the
// model's handlers. Runs under Wine in Xvfb.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/win32/control_id.h"
#include "ui/win32/win32_window.h"

namespace {

using ui::ControlKind;

void pump() {
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display (run under Xvfb)";
    model = std::make_unique<ui::Window>(host, "Test window", ui::Size{400, 300});
    pic = &model->add("pic", ControlKind::Picture, {10, 10, 151, 50}, ui::kAnchorRight | ui::kAnchorBottom, true);
    pic->setResource("none");
    edit = &model->add("edit", ControlKind::Edit, {10, 100, 200, 19}, ui::kAnchorLeft, true);
    model->setFont({"Tahoma", 11, false});
    label = &model->add("label", ControlKind::Label, {10, 140, 0, 14}, ui::kAnchorLeft, true);
    label->setAutoSize(true);
    window = std::make_unique<ui::win32::Win32Window>(*model, GetModuleHandleW(nullptr));
    window->show();
    pump();
  }
  HWND child(const char* name) { return GetDlgItem(window->hwnd(), ui::win32::controlIdFor(name)); }

  ui::win32::Win32Host host;
  std::unique_ptr<ui::Window> model;
  ui::Control* pic = nullptr;
  ui::Control* edit = nullptr;
  ui::Control* label = nullptr;
  std::unique_ptr<ui::win32::Win32Window> window;
};

TEST_F(Win32WindowTest, PicturesTakeInputOnlyWhileVisibleWithTheirFlagOn) {
  HWND h = child("pic");
  ASSERT_TRUE(h);
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(20, 20)), HTCLIENT);
  pic->setInputEnabled(false);
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(20, 20)), HTTRANSPARENT);
  EXPECT_EQ(GetPropW(h, ui::win32::kInputProperty), nullptr);
  pic->setInputEnabled(true);
  pic->setVisible(false);
  EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
  pic->setVisible(true);
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
  // Labels never take the pointer: it goes to what lies beneath.
  EXPECT_EQ(SendMessageW(child("label"), WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

TEST_F(Win32WindowTest, ClicksEntriesAndLeavesReachTheModelsHandlers) {
  int clicks = 0, enters = 0, leaves = 0;
  pic->onClick = [&] { ++clicks; };
  pic->onEnter = [&] { ++enters; };
  pic->onLeave = [&] { ++leaves; };
  HWND h = child("pic");
  SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  EXPECT_EQ(enters, 1);
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
  SendMessageW(h, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(leaves, 1);
  // A release outside the picture is no click; nor is one while it takes no input.
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
  pic->setInputEnabled(false);
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
}

TEST_F(Win32WindowTest, PointerShapeFollowsTheModel) {
  pic->setPointer(ui::Pointer::Hand);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(GetPropW(child("pic"), ui::win32::kPointerProperty)), 2);
  pic->setPointer(ui::Pointer::NotAllowed);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(GetPropW(child("pic"), ui::win32::kPointerProperty)), 3);
}

TEST_F(Win32WindowTest, EditTextGoesBothWaysAndUserChangesRaiseTheHandler) {
  std::vector<std::string> seen;
  edit->onChange = [&] { seen.push_back(edit->text()); };
  edit->setText("C:\\");
  wchar_t buf[64] = {};
  GetWindowTextW(child("edit"), buf, 64);
  EXPECT_EQ(std::wstring(buf), L"C:\\");
  SetWindowTextW(child("edit"), L"D:\\Żółw\\");  // as if typed
  pump();
  EXPECT_EQ(edit->text(), "D:\\Żółw\\");
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\", "D:\\Żółw\\"}));
}

TEST_F(Win32WindowTest, WindowStateFollowsTheModel) {
  HWND w = window->hwnd();
  COLORREF key;
  BYTE alpha;
  DWORD flags = 0;
  GetLayeredWindowAttributes(w, &key, &alpha, &flags);
  EXPECT_EQ(flags, DWORD(LWA_COLORKEY));
  model->setColourKey(false);
  GetLayeredWindowAttributes(w, &key, &alpha, &flags);
  EXPECT_EQ(flags, DWORD(LWA_ALPHA));
  EXPECT_EQ(alpha, 255);

  model->setWidth(500);
  model->setHeight(350);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 500);
  RECT pr;
  GetWindowRect(child("pic"), &pr);
  EXPECT_EQ(pr.left - r.left, 110);  // anchored right: moved by the 100 pixels gained

  model->setBordered(true);
  EXPECT_TRUE(GetWindowLongW(w, GWL_STYLE) & WS_CAPTION);
  EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & WS_SYSMENU);  // no caption buttons
  RECT cr;
  GetClientRect(w, &cr);
  EXPECT_EQ(cr.right, 500);
  EXPECT_EQ(cr.bottom, 350);

  label->setText("Wyłącz program CAD VIREL i spróbuj ponownie.");
  wchar_t buf[128] = {};
  GetWindowTextW(child("label"), buf, 128);
  EXPECT_EQ(std::wstring(buf), L"Wyłącz program CAD VIREL i spróbuj ponownie.");
  RECT lr;
  GetClientRect(child("label"), &lr);
  EXPECT_GT(lr.right, 100);  // a label follows its text

  model->close();
  pump();
  EXPECT_FALSE(IsWindow(w));
}

// The size of a label comes from the model: its own bounds, or with
// auto-size its text in the font the model gives it.
TEST_F(Win32WindowTest, ALabelTakesTheSizeAndFontTheModelGives) {
  label->setText("Wyłącz program CAD VIREL i spróbuj ponownie.");
  RECT plain;
  GetClientRect(child("label"), &plain);
  label->setFont({"Tahoma", 12, true});
  RECT bold;
  GetClientRect(child("label"), &bold);
  EXPECT_GT(bold.right, plain.right);
  EXPECT_GT(bold.bottom, plain.bottom);

  label->setAutoSize(false);
  label->setBounds({10, 140, 50, 14});
  RECT fixed;
  GetClientRect(child("label"), &fixed);
  EXPECT_EQ(fixed.right, 50);
  EXPECT_EQ(fixed.bottom, 14);
}

}  // namespace
