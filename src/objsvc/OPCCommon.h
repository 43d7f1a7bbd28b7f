#pragma once

#include "objsvc/Unknown.h"

// The OPC Common interfaces a client uses: the server's shutdown request and the server list
// that finds OPC servers on a computer by category.

class IEnumGUID : public IUnknown
{
public:
    static constexpr IID Iid{0x0002E000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    // S_FALSE when fewer than `count` were left.
    virtual HRESULT Next(ULONG count, GUID* elements, ULONG* fetched) = 0;

protected:
    ~IEnumGUID() = default;
};

class IOPCShutdown : public IUnknown
{
public:
    static constexpr IID Iid{
        0xF31DFDE1, 0x07B6, 0x11D2, {0xB2, 0xD8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};

    virtual HRESULT ShutdownRequest(LPCWSTR reason) = 0;

protected:
    ~IOPCShutdown() = default;
};

class IOPCServerList : public IUnknown
{
public:
    static constexpr IID Iid{
        0x13486D50, 0x4821, 0x11D2, {0xA4, 0x94, 0x3C, 0xB3, 0x06, 0xC1, 0x00, 0x00}};

    virtual HRESULT EnumClassesOfCategories(ULONG implementedCount, const CATID* implemented,
                                            ULONG requiredCount, const CATID* required,
                                            IEnumGUID** classes) = 0;
    // Both strings come from the task allocator.
    virtual HRESULT GetClassDetails(REFCLSID clsid, LPOLESTR* progId, LPOLESTR* userType) = 0;
    virtual HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) = 0;

protected:
    ~IOPCServerList() = default;
};

inline constexpr IID IID_IEnumGUID = IEnumGUID::Iid;
inline constexpr IID IID_IOPCShutdown = IOPCShutdown::Iid;
inline constexpr IID IID_IOPCServerList = IOPCServerList::Iid;

inline constexpr CLSID CLSID_OpcServerList{
    0x13486D51, 0x4821, 0x11D2, {0xA4, 0x94, 0x3C, 0xB3, 0x06, 0xC1, 0x00, 0x00}};
inline constexpr CATID CATID_OPCDAServer10{
    0x63D5F430, 0xCFE4, 0x11D1, {0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};
inline constexpr CATID CATID_OPCDAServer20{
    0x63D5F432, 0xCFE4, 0x11D1, {0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};
