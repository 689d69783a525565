// The start-up sequence, run once on the first tick of the start-up timer.
#include "app/form1.h"

void TForm1::AfterShow() {}
