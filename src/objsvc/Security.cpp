#include "objsvc/Security.h"

namespace {

std::optional<ProcessSecurityLevels>& levels()
{
    static std::optional<ProcessSecurityLevels> process;
    return process;
}

} // namespace

HRESULT CoInitializeSecurity(void* securityDescriptor, LONG authenticationServices,
                             void* authenticationServiceList, void* reserved1,
                             DWORD authenticationLevel, DWORD impersonationLevel,
                             void* authenticationList, DWORD capabilities, void* reserved3)
{
    if (securityDescriptor || authenticationServiceList || reserved1 || authenticationList ||
        reserved3 || authenticationServices != -1)
        return E_INVALIDARG;
    if (levels())
        return RPC_E_TOO_LATE;
    levels() = ProcessSecurityLevels{authenticationServices, authenticationLevel,
                                     impersonationLevel, capabilities};
    return S_OK;
}

std::optional<ProcessSecurityLevels> ProcessSecurity()
{
    return levels();
}
