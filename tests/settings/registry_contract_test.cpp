// The in-memory hive that the settings and feature tests run on, held to the registry contract.
#include "settings/registry_contract.h"

#include "platform/headless/memory_registry.h"

INSTANTIATE_TYPED_TEST_SUITE_P(InMemory, RegistryContract, tk::MemoryRegistry);
