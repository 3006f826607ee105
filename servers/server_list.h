// The server chooser's entries and the version of the chosen one, both read
// from the registry.
#pragma once

#include <vector>

#include "common/text.h"
#include "registry/registry_api.h"

namespace quorvel::servers {

using registry::RegistryApi;

// "(LOCAL)" for the default instance, "(LOCAL)\<name>" for a named one: the
// instances of the process's own registry view first, then the 64-bit view's,
// each listed once.
std::vector<Text> ServerEntries(RegistryApi& registry);

// The version registered for an entry; empty when none is found.
Text ServerVersion(RegistryApi& registry, const Text& entry);

}  // namespace quorvel::servers
