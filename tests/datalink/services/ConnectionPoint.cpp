#include "services/ConnectionPoint.h"

ConnectionPoint::ConnectionPoint(REFIID riid) : iid_(riid) {}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IUnknown* asked = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&asked))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_.emplace(*cookie, ComPtr<IUnknown>::Adopt(asked));
    if (adviseHook_)
        adviseHook_();
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie)
{
    if (sinks_.erase(cookie) == 0)
        return CONNECT_E_NOCONNECTION;
    if (unadviseHook_)
        unadviseHook_();
    return S_OK;
}

void ConnectionPoint::Detach()
{
    sinks_.clear();
    adviseHook_ = nullptr;
    unadviseHook_ = nullptr;
}
