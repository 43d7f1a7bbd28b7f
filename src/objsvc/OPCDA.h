#pragma once

#include "objsvc/OPCCommon.h"
#include "objsvc/Variant.h"

// The OPC Data Access interfaces a client of one item uses: a group on the server, its item
// management, synchronous writes and the 2.0 data callback.

using OPCHANDLE = DWORD;

struct FILETIME
{
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

// 100-nanosecond intervals since 1601-01-01.
constexpr std::uint64_t FileTimeValue(const FILETIME& time)
{
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

constexpr FILETIME MakeFileTime(std::uint64_t value)
{
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

struct OPCITEMDEF
{
    LPWSTR szAccessPath = nullptr;
    LPWSTR szItemID = nullptr;
    BOOL bActive = TRUE;
    OPCHANDLE hClient = 0;
    DWORD dwBlobSize = 0;
    BYTE* pBlob = nullptr;
    VARTYPE vtRequestedDataType = VT_EMPTY;
    WORD wReserved = 0;
};

struct OPCITEMRESULT
{
    OPCHANDLE hServer = 0;
    VARTYPE vtCanonicalDataType = VT_EMPTY;
    WORD wReserved = 0;
    DWORD dwAccessRights = 0;
    DWORD dwBlobSize = 0;
    BYTE* pBlob = nullptr;
};

constexpr WORD OPC_QUALITY_MASK = 0xC0;
constexpr WORD OPC_QUALITY_BAD = 0x00;
constexpr WORD OPC_QUALITY_UNCERTAIN = 0x40;
constexpr WORD OPC_QUALITY_GOOD = 0xC0;

constexpr DWORD OPC_READABLE = 1;
constexpr DWORD OPC_WRITEABLE = 2;

constexpr HRESULT OPC_E_INVALIDHANDLE = ResultCode(0xC0040001);
constexpr HRESULT OPC_E_BADTYPE = ResultCode(0xC0040004);
constexpr HRESULT OPC_E_UNKNOWNITEMID = ResultCode(0xC0040007);
constexpr HRESULT OPC_S_UNSUPPORTEDRATE = ResultCode(0x0004000D);

class IOPCServer : public IUnknown
{
public:
    static constexpr IID Iid{
        0x39C13A4D, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};

    virtual HRESULT AddGroup(LPCWSTR name, BOOL active, DWORD requestedUpdateRate,
                             OPCHANDLE clientGroup, const LONG* timeBias,
                             const FLOAT* percentDeadband, LCID locale, OPCHANDLE* serverGroup,
                             DWORD* revisedUpdateRate, REFIID riid, IUnknown** group) = 0;
    virtual HRESULT RemoveGroup(OPCHANDLE serverGroup, BOOL force) = 0;

protected:
    ~IOPCServer() = default;
};

class IOPCItemMgt : public IUnknown
{
public:
    static constexpr IID Iid{
        0x39C13A54, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};

    // Both arrays (and every result's blob) come from the task allocator; S_FALSE when some
    // item failed, its own error saying why.
    virtual HRESULT AddItems(DWORD count, const OPCITEMDEF* items, OPCITEMRESULT** results,
                             HRESULT** errors) = 0;
    virtual HRESULT RemoveItems(DWORD count, const OPCHANDLE* serverItems, HRESULT** errors) = 0;

protected:
    ~IOPCItemMgt() = default;
};

class IOPCSyncIO : public IUnknown
{
public:
    static constexpr IID Iid{
        0x39C13A52, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};

    // The error array comes from the task allocator; S_FALSE when some item failed.
    virtual HRESULT Write(DWORD count, const OPCHANDLE* serverItems, const VARIANT* values,
                          HRESULT** errors) = 0;

protected:
    ~IOPCSyncIO() = default;
};

class IOPCDataCallback : public IUnknown
{
public:
    static constexpr IID Iid{
        0x39C13A70, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};

    virtual HRESULT OnDataChange(DWORD transaction, OPCHANDLE group, HRESULT masterQuality,
                                 HRESULT masterError, DWORD count, const OPCHANDLE* clientItems,
                                 const VARIANT* values, const WORD* qualities,
                                 const FILETIME* timeStamps, const HRESULT* errors) = 0;
    virtual HRESULT OnReadComplete(DWORD transaction, OPCHANDLE group, HRESULT masterQuality,
                                   HRESULT masterError, DWORD count, const OPCHANDLE* clientItems,
                                   const VARIANT* values, const WORD* qualities,
                                   const FILETIME* timeStamps, const HRESULT* errors) = 0;
    virtual HRESULT OnWriteComplete(DWORD transaction, OPCHANDLE group, HRESULT masterError,
                                    DWORD count, const OPCHANDLE* clientItems,
                                    const HRESULT* errors) = 0;
    virtual HRESULT OnCancelComplete(DWORD transaction, OPCHANDLE group) = 0;

protected:
    ~IOPCDataCallback() = default;
};

inline constexpr IID IID_IOPCServer = IOPCServer::Iid;
inline constexpr IID IID_IOPCItemMgt = IOPCItemMgt::Iid;
inline constexpr IID IID_IOPCSyncIO = IOPCSyncIO::Iid;
inline constexpr IID IID_IOPCDataCallback = IOPCDataCallback::Iid;
