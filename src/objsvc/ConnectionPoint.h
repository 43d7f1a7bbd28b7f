#pragma once

#include "objsvc/Unknown.h"

// Connection points: how an object lets a client advise a sink on one of its outgoing
// interfaces.

class IConnectionPoint : public IUnknown
{
public:
    static constexpr IID Iid{
        0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

    // The sink must answer the connection point's interface; the cookie is never 0.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;

protected:
    ~IConnectionPoint() = default;
};

class IConnectionPointContainer : public IUnknown
{
public:
    static constexpr IID Iid{
        0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

inline constexpr IID IID_IConnectionPoint = IConnectionPoint::Iid;
inline constexpr IID IID_IConnectionPointContainer = IConnectionPointContainer::Iid;
