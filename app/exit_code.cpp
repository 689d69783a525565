#include "app/exit_code.h"

#include "app/form1.h"

ExitCode exitCodeOf(TForm1& form, bool errorShown) {
  if (form.installStarted()) {
    // A failed install keeps its line on the status label; an error that
    // escaped the command ended it before its final steps.
    if (!form.installEnded() || form.InfoLabel.visible()) return kInstallFailed;
    // Without a package folder nothing was there to install.
    return form.packageName.empty() ? kPackageDamaged : kInstalled;
  }
  if (errorShown || form.MasterError.visible() || !form.pack || form.packageName.empty()) return kPackageDamaged;
  const bool destinationValid = form.destination && form.env().dirExists(form.Edit1.text() + "dodatki");
  if (!destinationValid) return kNoDestination;
  if (!form.ready) return kCadBusy;
  // Offered, but the window was closed before Install.
  return kInstallFailed;
}
