// Holds a file open the way the CAD program holds its database: for reading,
// without delete sharing, so renaming it fails. Usage: hold_open_helper <file>.
// Writes "<file>.held" once the file is open and lets go when "<file>.release"
// appears (or after half a minute, so a failed test leaves nothing running).
#include <chrono>
#include <string>
#include <thread>

#include "platform/env.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  platform::Env& env = platform::systemEnv();
  const std::string path = argv[1];
  try {
    auto held =
        env.openFile(path, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyWrite);
    env.openFile(path + ".held", platform::Access::ReadWrite, platform::Creation::CreateAlways,
                 platform::Sharing::DenyNone);
    for (int i = 0; i < 1500 && !env.fileExists(path + ".release"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } catch (const platform::IoError&) {
    return 1;
  }
  return 0;
}
