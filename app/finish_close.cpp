// The end of a run: the finish state after the install command, and Close,
// which tidies the working folder and ends the program.
#include "app/form1.h"

void TForm1::SetFinish() {
  info(2, "SET FINISH na objektach");
  InfoLabel.setVisible(false);
  gauge.setVisible(false);
  bnInstallSetDisable();
  bnInstallDisable.setVisible(false);
}

void TForm1::CloseClick() {
  // Diagnostic mode and a NODELETE marker keep the working folder for a look.
  if (log_level != 2 && env_.dirExists(tmpDir) && !env_.fileExists(tmpDir + "NODELETE")) {
    // Closing: a working file that cannot go stays for the next start to replace.
    for (const std::string* name : {&picCover, &picInstall, &picFinish})
      if (env_.fileExists(tmpDir + *name)) (void)env_.deleteFile(tmpDir + *name);
    if (env_.fileExists(sourceZip)) (void)env_.deleteFile(sourceZip);
    if (env_.listDir(tmpDir).empty()) (void)env_.removeDir(tmpDir);
  }
  window_.close();
}
