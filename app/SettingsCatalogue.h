// The persisted settings' defaults (their store paths are in base/SettingKeys.h).
// Registering the defaults fills a fresh store before the INI file is loaded; the
// user's reset registers them again, except HOST and PUBLIC_KEY.
//
// Threads: any thread (the store serialises itself).
#pragma once

#include <string>

#include "base/SettingKeys.h"

namespace qv {

class ConfigStore;

// Registers every setting with its default, in catalogue order.
void registerAllDefaults(ConfigStore& store);
// Registers the defaults again for every setting except HOST and PUBLIC_KEY.
void resetToDefaults(ConfigStore& store);

}  // namespace qv
