#pragma once

#include "objsvc/Unknown.h"

#include <QString>

// Object activation: from this computer's registry, or through remote activation on a named
// computer that a transport reaches.

struct COSERVERINFO
{
    DWORD dwReserved1 = 0;
    LPWSTR pwszName = nullptr;
    void* pAuthInfo = nullptr;
    DWORD dwReserved2 = 0;
};

struct MULTI_QI
{
    const IID* pIID = nullptr;
    IUnknown* pItf = nullptr;
    HRESULT hr = S_OK;
};

// From this computer's registry; CO_E_CLASSSTRING for a ProgID it does not know.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);

// In-process or local server activation on this computer.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object);

// Activation on the computer the server information names (none: this one). A named computer
// is reached only with CLSCTX_REMOTE_SERVER, this computer only with an in-process or local
// context. Every interface asked for gets its own result; S_OK when all were obtained,
// CO_S_NOTALLINTERFACES when some, E_NOINTERFACE when none.
HRESULT CoCreateInstanceEx(REFCLSID clsid, IUnknown* outer, DWORD context,
                           const COSERVERINFO* server, DWORD count, MULTI_QI* results);

constexpr HRESULT CO_S_NOTALLINTERFACES = 0x00080012;

// Whether there is remote activation to try on the named computer: always for this computer's
// own name, for any other once a transport reaches some named computer. Whether the computer
// itself answers is the activation's result (RPC_S_SERVER_UNAVAILABLE when it does not).
bool RemoteActivationAvailable(const QString& computer);
