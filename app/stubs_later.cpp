// Operations whose subsystems are not built yet.
#include "app/form1.h"

bool TForm1::searchPackages() { return false; }
bool TForm1::searchInstallationPath() { return false; }
void TForm1::CheckInstallationEnabled() {}
bool TForm1::CheckDestination() { return false; }
void TForm1::CheckEdit() {}
void TForm1::Edit1Click() {}
void TForm1::ButtonInstallClick() {}
