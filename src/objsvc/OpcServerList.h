#pragma once

#include "objsvc/ClassRegistry.h"

// The class OpcServerList of one computer (empty name: this one). Its object answers from that
// computer's registry as it stands at each call, and fails once the computer is gone.
ClassEntry OpcServerListClass(const QString& computer);
