#pragma once

#include "objsvc/ClassRegistry.h"

// What a set-up program and a transport to other computers do: install classes in a computer's
// registry, and make named computers reachable for remote activation.

// Replaces a class installed under the same identifier.
void RegisterClass(ClassRegistry& registry, ClassEntry entry);
void UnregisterClass(ClassRegistry& registry, REFCLSID clsid);

// A named computer starts with its own OPC server list. The name of this computer gives this
// computer's registry.
ClassRegistry& RegisterComputer(const QString& name);
void UnregisterComputer(const QString& name);
