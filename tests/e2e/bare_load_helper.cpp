// Loads each DLL named on its command line by its bare name, the way a
// program that does not restrict the DLL search would.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) LoadLibraryW(argv[i]);
  return 0;
}
