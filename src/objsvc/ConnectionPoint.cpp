#include "objsvc/ConnectionPoint.h"

ConnectionPoint::ConnectionPoint(REFIID riid, IConnectionPointContainer* container)
    : iid_(riid), container_(container)
{}

HRESULT ConnectionPoint::GetConnectionInterface(IID* riid)
{
    if (!riid)
        return E_POINTER;
    *riid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = container_;
    if (!container_)
        return E_UNEXPECTED;
    container_->AddRef();
    return S_OK;
}

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
    return sinks_.erase(cookie) > 0 ? S_OK : CONNECT_E_NOCONNECTION;
}

void ConnectionPoint::Detach()
{
    sinks_.clear();
    container_ = nullptr;
    adviseHook_ = nullptr;
}
