#pragma once

#include <cstdint>

// The scalar types, result codes and identifiers of the component object services, under their
// standard names so that the OPC interfaces read as they are published.

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using BOOL = std::int32_t;
using FLOAT = float;
using LCID = DWORD;
using HRESULT = std::int32_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using LPOLESTR = LPWSTR;
using LPCOLESTR = LPCWSTR;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}

constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

constexpr HRESULT ResultCode(std::uint32_t bits)
{
    return static_cast<HRESULT>(bits);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = ResultCode(0x80004001);
constexpr HRESULT E_NOINTERFACE = ResultCode(0x80004002);
constexpr HRESULT E_POINTER = ResultCode(0x80004003);
constexpr HRESULT E_FAIL = ResultCode(0x80004005);
constexpr HRESULT E_UNEXPECTED = ResultCode(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = ResultCode(0x8007000E);
constexpr HRESULT E_INVALIDARG = ResultCode(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = ResultCode(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = ResultCode(0x80040154);
constexpr HRESULT CO_E_CLASSSTRING = ResultCode(0x800401F3);
constexpr HRESULT CONNECT_E_NOCONNECTION = ResultCode(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = ResultCode(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = ResultCode(0x80040202);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = ResultCode(0x80040003);
constexpr HRESULT DV_E_FORMATETC = ResultCode(0x80040064);
constexpr HRESULT DV_E_TYMED = ResultCode(0x80040069);
constexpr HRESULT RPC_E_TOO_LATE = ResultCode(0x80010119);
constexpr HRESULT RPC_S_SERVER_UNAVAILABLE = ResultCode(0x800706BA);

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend constexpr bool operator==(const GUID&, const GUID&) = default;

    // Any strict order will do: identifiers only key maps.
    friend constexpr bool operator<(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1)
            return a.Data1 < b.Data1;
        if (a.Data2 != b.Data2)
            return a.Data2 < b.Data2;
        if (a.Data3 != b.Data3)
            return a.Data3 < b.Data3;
        for (int i = 0; i < 8; ++i) {
            if (a.Data4[i] != b.Data4[i])
                return a.Data4[i] < b.Data4[i];
        }
        return false;
    }
};

using IID = GUID;
using CLSID = GUID;
using CATID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// Activation contexts.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
