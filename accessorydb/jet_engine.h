#pragma once
// The accessory database's engine operations on the project's own Jet 4
// engine, which writes genuine Jet 4.0 files without any provider.
#include <memory>

#include "accessorydb/engine.h"
#include "platform/env.h"

namespace accessorydb {

[[nodiscard]] std::unique_ptr<Engine> makeJetEngine(platform::Env& env);

}  // namespace accessorydb
