// Operations whose subsystems are not built yet.
#include "app/form1.h"

bool TForm1::searchPackages() { return false; }
void TForm1::ButtonInstallClick() {}
