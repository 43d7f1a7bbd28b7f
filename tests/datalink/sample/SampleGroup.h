#pragma once

#include "SampleDevice.h"

#include "objsvc/DataObject.h"
#include "services/ConnectionPoint.h"

#include <QTimer>

#include <map>
#include <memory>

// A group of the sample server: its items, and at every update-rate tick the items whose value,
// quality or time stamp changed since they were last sent go to the 2.0 callbacks and the 1.0
// stream sinks. Delivery is queued to the event loop, as from a server in another apartment.
class SampleGroup
    : public ComObject<IOPCItemMgt, IOPCSyncIO, IConnectionPointContainer, IDataObject>
{
public:
    SampleGroup(std::shared_ptr<SampleDevice> device, OPCHANDLE clientGroup, DWORD updateRate,
                bool active);
    ~SampleGroup() override;

    HRESULT AddItems(DWORD count, const OPCITEMDEF* items, OPCITEMRESULT** results,
                     HRESULT** errors) override;
    HRESULT RemoveItems(DWORD count, const OPCHANDLE* serverItems, HRESULT** errors) override;

    HRESULT Write(DWORD count, const OPCHANDLE* serverItems, const VARIANT* values,
                  HRESULT** errors) override;

    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    HRESULT DAdvise(const FORMATETC* format, DWORD flags, IAdviseSink* sink,
                    DWORD* connection) override;
    HRESULT DUnadvise(DWORD connection) override;

    // The server removed the group or went: no more notifications.
    void Detach();

private:
    struct Item
    {
        QString itemId;
        OPCHANDLE clientHandle = 0;
        VARTYPE requestedType = VT_EMPTY;
        VARTYPE canonicalType = VT_EMPTY;
        std::optional<SampleItemState> sent;
    };

    struct Change
    {
        OPCHANDLE clientHandle;
        SampleItemState state;
    };

    struct StreamSink
    {
        ComPtr<IAdviseSink> sink;
        CLIPFORMAT format;
    };

    void resendAll();
    void tick();
    void deliver(const std::vector<Change>& changes) const;
    void deliverHere(const std::vector<Change>& changes) const;
    void deliverStream(const StreamSink& sink, const std::vector<Change>& changes) const;

    std::shared_ptr<SampleDevice> device_;
    OPCHANDLE clientGroup_;
    bool active_;
    ComPtr<ConnectionPoint> dataPoint_;
    std::map<DWORD, StreamSink> streamSinks_;
    DWORD nextConnection_ = 1;
    std::map<OPCHANDLE, Item> items_;
    OPCHANDLE nextItem_ = 1;
    std::unique_ptr<QTimer> timer_;
};
