#pragma once
// What the installer's logic below the window works on: the system, the
// window's narrow face, and the installer's state.
#include <string>

#include "platform/env.h"
#include "target/installer_state.h"
#include "target/installer_window.h"

struct Installer {
  platform::Env& env;
  InstallerWindow& window;
  InstallerState& state;

  char sep() const { return env.separator(); }
  void info(int level, const std::string& text) const { window.info(level, text); }
  // The destination root as the readiness check and the install command use it.
  std::string trimmedDestination() const;
};

// The accessory folder directly below an installation's root.
inline constexpr const char* kAccessoryFolder = "dodatki";

// Removes leading and trailing characters of code 32 or less.
std::string trimControl(const std::string& s);
