#pragma once
// The install command: the models unpacked into the installation and the
// accessory database merged (with a backup that is put back on failure), the
// materials unpacked, then the finish state.
#include "accessorydb/engine.h"
#include "target/installer.h"

namespace install {

void ButtonInstallClick(const Installer& in, accessorydb::Engine& engine);

}  // namespace install
