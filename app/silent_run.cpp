#include "app/silent_run.h"

#include "app/form1.h"
#include "app/run_host.h"

ExitCode runSilently(TForm1& form, RunHost& host) {
  ui::Window& window = form.window();
  host.report = [&form](const std::string& text) { form.info(1, text); };
  window.dispatch([&] { form.FormCreate(); });
  // Deployment tools may start the installer in a folder it cannot write to.
  if (!form.env().dirExists(form.tmpDir)) {
    form.info(1, "Nie można utworzyć folderu roboczego: " + form.tmpDir);
    return kPackageDamaged;
  }
  window.dispatch([&] { form.Timer1Timer(); });
  if (form.bnInstallNormal.takesInput() && form.bnInstallNormal.onEnter) window.dispatch(form.bnInstallNormal.onEnter);
  if (form.bnInstallHover.takesInput() && form.bnInstallHover.onClick) window.dispatch(form.bnInstallHover.onClick);
  const ExitCode code = exitCodeOf(form, host.errorShown());
  window.dispatch([&] { form.CloseClick(); });
  return code;
}
