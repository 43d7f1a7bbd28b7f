#pragma once

#include "objsvc/ClipboardFormat.h"
#include "objsvc/GlobalMemory.h"
#include "objsvc/Unknown.h"

// Data advise: an object sends its data, in a registered format on a medium, to the sinks that
// asked for it. Only global memory is a medium here.

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD ADVF_PRIMEFIRST = 2;

struct FORMATETC
{
    CLIPFORMAT cfFormat = 0;
    void* ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    LONG lindex = -1;
    DWORD tymed = TYMED_HGLOBAL;
};

struct STGMEDIUM
{
    DWORD tymed = TYMED_NULL;
    HGLOBAL hGlobal = nullptr;
    IUnknown* pUnkForRelease = nullptr;
};

class IAdviseSink : public IUnknown
{
public:
    static constexpr IID Iid{0x0000010F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    // The medium stays the sender's: the sink reads it during the call only.
    virtual void OnDataChange(const FORMATETC* format, const STGMEDIUM* medium) = 0;
    virtual void OnViewChange(DWORD aspect, LONG index) = 0;
    virtual void OnSave() = 0;
    virtual void OnClose() = 0;

protected:
    ~IAdviseSink() = default;
};

class IDataObject : public IUnknown
{
public:
    static constexpr IID Iid{0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    virtual HRESULT DAdvise(const FORMATETC* format, DWORD flags, IAdviseSink* sink,
                            DWORD* connection) = 0;
    virtual HRESULT DUnadvise(DWORD connection) = 0;

protected:
    ~IDataObject() = default;
};

inline constexpr IID IID_IAdviseSink = IAdviseSink::Iid;
inline constexpr IID IID_IDataObject = IDataObject::Iid;
