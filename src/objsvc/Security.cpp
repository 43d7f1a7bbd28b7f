#include "objsvc/Security.h"

HRESULT CoInitializeSecurity(void* securityDescriptor, LONG authenticationServices,
                             void* authenticationServiceList, void* reserved1,
                             DWORD authenticationLevel, DWORD impersonationLevel,
                             void* authenticationList, DWORD capabilities, void* reserved3)
{
    ProcessSecurityState& process = ProcessSecurity();
    const ProcessSecurityLevels levels{authenticationServices, authenticationLevel,
                                       impersonationLevel, capabilities};
    ++process.requests;
    process.lastRequest =
        SecurityRequest{securityDescriptor != nullptr, authenticationServiceList != nullptr,
                        authenticationList != nullptr, levels};
    if (securityDescriptor || authenticationServiceList || reserved1 || authenticationList ||
        reserved3 || authenticationServices != -1)
        return E_INVALIDARG;
    if (process.levels)
        return RPC_E_TOO_LATE;
    process.levels = levels;
    return S_OK;
}

ProcessSecurityState& ProcessSecurity()
{
    static ProcessSecurityState process;
    return process;
}
