#include "datalink/iOPCClasses.h"

#include "datalink/iOPCStream.h"
#include "datalink/iOPCTime.h"
#include "datalink/iOPCTypes.h"

namespace {

// The handler may unbind the object or drop the item's reference to it: the object stays alive
// and the handler is called from a copy. Its error must not reach the server.
void notify(IUnknown* self, const TiOPCHandler& bound)
{
    const ComPtr<IUnknown> keepAlive(self);
    const TiOPCHandler handler = bound;
    if (!handler)
        return;
    try {
        handler();
    } catch (...) {
        RaiseInApartment(std::current_exception());
    }
}

} // namespace

HRESULT TiOPCShutdownCallback::ShutdownRequest(LPCWSTR)
{
    apartment_.Run(
        [this, keepAlive = ComPtr<IUnknown>(Unknown())] { notify(Unknown(), handler_); });
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
    apartment_.Run([this, keepAlive = ComPtr<IUnknown>(Unknown()), value = values[0],
                    quality = qualities[0],
                    timeStamp = OPCTimeStampFromFileTime(FileTimeValue(timeStamps[0]))] {
        value_ = value;
        quality_ = quality;
        timeStamp_ = timeStamp;
        notify(Unknown(), handler_);
    });
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
    // The block is the server's only during the call.
    std::vector<TiOPCStreamItem> items =
        OPCReadStreamBlock(data, GlobalSize(medium->hGlobal), withTimeStamps);
    GlobalUnlock(medium->hGlobal);
    apartment_.Run(
        [this, keepAlive = ComPtr<IUnknown>(Unknown()), items = std::move(items), withTimeStamps] {
            for (const TiOPCStreamItem& item : items) {
                clientHandle_ = item.clientHandle;
                quality_ = item.quality & OPC_QUALITY_MASK;
                value_ = item.value;
                timeStamp_ = withTimeStamps ? OPCTimeStampFromFileTime(item.timeStamp) : 0;
                notify(Unknown(), handler_);
            }
        });
}
