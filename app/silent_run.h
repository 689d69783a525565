#pragma once
// A run without a window: start-up, then Install as soon as it is offered,
// then Close, each as the window's handlers run them for a person.
#include "app/exit_code.h"

class TForm1;
class RunHost;

ExitCode runSilently(TForm1& form, RunHost& host);
