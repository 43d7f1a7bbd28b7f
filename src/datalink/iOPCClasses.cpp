#include "datalink/iOPCClasses.h"

#include "datalink/iOPCStream.h"
#include "datalink/iOPCTime.h"
#include "datalink/iOPCTypes.h"

namespace {

// The handler may unbind the object or drop the item's reference to it: the object stays alive
// and the handler is called from a copy.
void notify(IUnknown* self, const TiOPCHandler& bound)
{
    const ComPtr<IUnknown> keepAlive(self);
    const TiOPCHandler handler = bound;
    if (handler)
        handler();
}

} // namespace

HRESULT TiOPCShutdownCallback::ShutdownRequest(LPCWSTR)
{
    notify(Unknown(), handler_);
    return S_OK;
}

HRESULT TiOPCDataCallback::OnDataChange(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD count,
                                        const OPCHANDLE*, const VARIANT* values,
                                        const WORD* qualities, const FILETIME* timeStamps,
                                        const HRESULT*)
{
    takeFirst(count, values, qualities, timeStamps);
    return S_OK;
}

HRESULT TiOPCDataCallback::OnReadComplete(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD count,
                                          const OPCHANDLE*, const VARIANT* values,
                                          const WORD* qualities, const FILETIME* timeStamps,
                                          const HRESULT*)
{
    takeFirst(count, values, qualities, timeStamps);
    return S_OK;
}

void TiOPCDataCallback::takeFirst(DWORD count, const VARIANT* values, const WORD* qualities,
                                  const FILETIME* timeStamps)
{
    if (count == 0 || !values || !qualities || !timeStamps)
        return;
    value_ = values[0];
    quality_ = qualities[0];
    timeStamp_ = OPCTimeStampFromFileTime(FileTimeValue(timeStamps[0]));
    notify(Unknown(), handler_);
}

void TiOPCAdviseSink::OnDataChange(const FORMATETC* format, const STGMEDIUM* medium)
{
    if (!format || !medium || medium->tymed != TYMED_HGLOBAL)
        return;
    const TiOPCStreamFormats& formats = OPCStreamFormats();
    if (format->cfFormat != formats.data && format->cfFormat != formats.dataTime)
        return;
    const bool withTimeStamps = format->cfFormat == formats.dataTime;
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(medium->hGlobal));
    if (!data)
        return;
    const std::vector<TiOPCStreamItem> items =
        OPCReadStreamBlock(data, GlobalSize(medium->hGlobal), withTimeStamps);
    GlobalUnlock(medium->hGlobal);
    const ComPtr<IUnknown> keepAlive(Unknown());
    for (const TiOPCStreamItem& item : items) {
        clientHandle_ = item.clientHandle;
        quality_ = item.quality & OPC_QUALITY_MASK;
        value_ = item.value;
        timeStamp_ = withTimeStamps ? OPCTimeStampFromFileTime(item.timeStamp) : 0;
        notify(Unknown(), handler_);
    }
}
