#pragma once

#include "objsvc/ComTypes.h"

#include <optional>

constexpr DWORD RPC_C_AUTHN_LEVEL_NONE = 1;
constexpr DWORD RPC_C_IMP_LEVEL_IDENTIFY = 2;
constexpr DWORD EOAC_NONE = 0;

// The process-wide security levels, fixed by the first initialisation.
struct ProcessSecurityLevels
{
    LONG authenticationServices = -1;
    DWORD authenticationLevel = 0;
    DWORD impersonationLevel = 0;
    DWORD capabilities = 0;

    friend bool operator==(const ProcessSecurityLevels&, const ProcessSecurityLevels&) = default;
};

// What one initialisation asked for; of the descriptor and the lists, whether one was given.
struct SecurityRequest
{
    bool securityDescriptor = false;
    bool authenticationServiceList = false;
    bool authenticationList = false;
    ProcessSecurityLevels levels;

    friend bool operator==(const SecurityRequest&, const SecurityRequest&) = default;
};

struct ProcessSecurityState
{
    // Empty until an initialisation was accepted.
    std::optional<ProcessSecurityLevels> levels;
    // Every initialisation asked for, accepted or not: how many, and the latest.
    unsigned requests = 0;
    SecurityRequest lastRequest;
};

// The first accepted call fixes the levels and gives S_OK; every later one changes nothing and
// gives RPC_E_TOO_LATE. Only the defaults are supported for the descriptors and lists: they
// must be null, and -1 authentication services means the default ones.
HRESULT CoInitializeSecurity(void* securityDescriptor, LONG authenticationServices,
                             void* authenticationServiceList, void* reserved1,
                             DWORD authenticationLevel, DWORD impersonationLevel,
                             void* authenticationList, DWORD capabilities, void* reserved3);

ProcessSecurityState& ProcessSecurity();
