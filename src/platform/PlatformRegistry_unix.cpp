#include "platform/PlatformRegistry.h"

#include "common/IniRegistryStore.h"

namespace tesk {

std::unique_ptr<RegistryStore> CreatePlatformRegistryStore()
{
    return IniRegistryStore::FromEnvironment();
}

} // namespace tesk
