#include "app/form1.h"

#include "base/ascii.h"
#include "base/package_names.h"

using ui::ControlKind;
using ui::kAnchorBottom;
using ui::kAnchorLeft;
using ui::kAnchorRight;
using ui::kAnchorTop;
using ui::Pointer;

namespace {
constexpr ui::Size kDesignClient{1040, 585};
constexpr unsigned kAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom;
constexpr unsigned kRightBottom = kAnchorRight | kAnchorBottom;
const ui::Font kWindowFont{"Tahoma", 11, false};
const ui::Font kStatusFont{"Tahoma", 12, true};
constexpr ui::Colour kStatusColour{255, 0, 0};
constexpr ui::Colour kGaugeFill{247, 148, 29};
}  // namespace

// Controls are listed from the bottom of the stacking order to the top.
TForm1::TForm1(platform::Env& env, accessorydb::Engine& engine, ui::Host& host, std::vector<std::string> args)
    : env_(env),
      engine_(engine),
      window_(host, "Instalator bibliotek CAD", kDesignClient),
      args_(std::move(args)),
      BG(window_.add("BG", ControlKind::Picture, {0, 0, 1035, 580}, kAll, false)),
      bnCloseDisable(window_.add("bnCloseDisable", ControlKind::Picture, {874, 527, 151, 50}, kRightBottom, false)),
      bnCloseActive(window_.add("bnCloseActive", ControlKind::Picture, {874, 527, 151, 50}, kRightBottom, false)),
      bnCloseHover(window_.add("bnCloseHover", ControlKind::Picture, {874, 527, 151, 50}, kRightBottom, false)),
      bnCloseNormal(window_.add("bnCloseNormal", ControlKind::Picture, {874, 527, 151, 50}, kRightBottom, false)),
      bnInstallActive(window_.add("bnInstallActive", ControlKind::Picture, {698, 527, 151, 50}, kRightBottom, false)),
      bnInstallDisable(window_.add("bnInstallDisable", ControlKind::Picture, {698, 527, 151, 50}, kRightBottom, false)),
      bnInstallHover(window_.add("bnInstallHover", ControlKind::Picture, {698, 527, 151, 50}, kRightBottom, false)),
      bnInstallNormal(window_.add("bnInstallNormal", ControlKind::Picture, {698, 527, 151, 50}, kRightBottom, false)),
      MasterError(window_.add("MasterError", ControlKind::Picture, {5, 32, 441, 457}, kAll, false)),
      gauge(window_.add("gauge", ControlKind::ProgressBar, {-5, 354, 1040, 34}, kAnchorLeft | kAnchorTop, true)),
      InfoLabel(window_.add("InfoLabel", ControlKind::Label, {105, 367, 0, 14}, kAnchorLeft | kAnchorBottom, true)),
      infoBox(window_.add("infoBox", ControlKind::Memo, {397, 63, 635, 87}, kAnchorLeft | kAnchorTop | kAnchorRight,
                          false)),
      Edit1(window_.add("Edit1", ControlKind::Edit, {105, 408, 383, 19}, kAnchorLeft | kAnchorRight | kAnchorBottom,
                        false)),
      StaticText1(
          window_.add("StaticText1", ControlKind::Label, {105, 391, 0, 13}, kAnchorLeft | kAnchorBottom, false)),
      ActivityIndicator(window_.add("ActivityIndicator", ControlKind::Busy, {503, 228, 64, 64}, 0, true)) {
  buildDesign();
}

void TForm1::buildDesign() {
  window_.setFont(kWindowFont);
  // The cover and the error picture take no mouse input.
  BG.setInputEnabled(false);
  MasterError.setInputEnabled(false);
  MasterError.setResource("MasterError");
  MasterError.setPictureFit(ui::PictureFit::CentreShrink);

  struct ButtonImage {
    ui::Control& control;
    Pointer pointer;
  };
  for (auto [control, pointer] : {ButtonImage{bnInstallNormal, Pointer::Hand},
                                  {bnInstallHover, Pointer::Hand},
                                  {bnInstallActive, Pointer::Arrow},
                                  {bnInstallDisable, Pointer::NotAllowed},
                                  {bnCloseNormal, Pointer::Hand},
                                  {bnCloseHover, Pointer::Hand},
                                  {bnCloseActive, Pointer::Arrow},
                                  {bnCloseDisable, Pointer::NotAllowed}}) {
    control.setPointer(pointer);
    control.setResource(control.name());
  }
  bnInstallNormal.onEnter = [this] { bnInstallEnter(); };
  bnInstallHover.onClick = [this] {
    installStarted_ = true;
    ButtonInstallClick();
    installEnded_ = true;
  };
  bnInstallHover.onLeave = [this] { bnInstallLeave(); };
  bnCloseNormal.onClick = [this] { CloseClick(); };
  bnCloseNormal.onEnter = [this] { bnCloseEnter(); };
  bnCloseHover.onClick = [this] { CloseClick(); };
  bnCloseHover.onLeave = [this] { bnCloseLeave(); };

  InfoLabel.setText("InfoLabel");
  InfoLabel.setFont(kStatusFont);
  InfoLabel.setTextColour(kStatusColour);
  InfoLabel.setAutoSize(true);
  Edit1.setText("C:\\Program Files\\CadVirel v. 2.0\\");
  Edit1.setPlaceholder("Miejsce instalacji oprogramowania CAD");
  Edit1.onChange = [this] { CheckEdit(); };
  Edit1.onClick = [this] { Edit1Click(); };
  StaticText1.setText("Miejsce instalacji pakietu, zmień jeśli konieczne.");
  StaticText1.setAutoSize(true);
  window_.onTimer = [this] { Timer1Timer(); };
}

bool isDiagnosticSwitch(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  const std::string a = base::asciiLower(args[0]);
  return a == "/d" || a == "/debug" || a == "d" || a == "debug";
}

void TForm1::FormCreate() {
  log_level = 1;
  if (isDiagnosticSwitch(args_)) {
    log_level = 2;
    info(2, "Ustawiono parametr DEBUG");
  }
  if (log_level >= 2) infoBox.setVisible(true);
  ready = false;
  pack = false;
  destination = false;
  strFolder = "C:\\";
  Edit1.setText(strFolder);
  tmpDir = env_.currentDir() + sep() + "tmp" + sep();
  if (!env_.dirExists(tmpDir)) (void)env_.createDir(tmpDir);  // a missing folder fails the package copy, which says so
  sourceZip = tmpDir + base::kPackagesZipName;
  gauge.setFillColour(kGaugeFill);
  gauge.setVisible(false);
  InfoLabel.setText("");
  picCover = base::kCoverPictureName;
  picInstall = base::kInstallPictureName;
  picFinish = base::kFinishPictureName;
  info(2, "Inicjalizacja.");
  const ui::Size screen = window_.host().screenSize();
  info(2, "Screen [" + std::to_string(screen.width) + " x " + std::to_string(screen.height) + " ]");
  CenterForm();
  window_.setTimerEnabled(true);
}

void TForm1::info(int lvl, const std::string& txt) {
  if (lvl > log_level) return;
  if (lvl == 1) InfoLabel.setText(txt);
  infoBox.appendLines(txt);
  if (logSink) logSink(txt);
}

void TForm1::setProgress(int percent) {
  gauge.setValue(percent);
  stillWorking();
}

void TForm1::stillWorking() { window_.stillWorking(); }

void TForm1::Timer1Timer() {
  window_.setTimerEnabled(false);
  AfterShow();
}
