#pragma once

#include "common/RegistryStore.h"

#include <memory>

namespace tesk {

// The registry layers of this platform: the Windows registry itself (HKCU
// and HKLM), or INI files in the XDG configuration folders elsewhere.
std::unique_ptr<RegistryStore> CreatePlatformRegistryStore();

} // namespace tesk
