#include "SampleGroup.h"

#include "StreamBlockWriter.h"

#include "objsvc/TaskMemory.h"
#include "services/Apartment.h"
#include "services/GlobalAlloc.h"
#include "services/VariantConversion.h"

#include <cstring>
#include <thread>

namespace {

template <typename T> T* taskArray(DWORD count)
{
    auto* items = static_cast<T*>(CoTaskMemAlloc(sizeof(T) * count));
    for (DWORD i = 0; i < count; ++i)
        new (&items[i]) T();
    return items;
}

} // namespace

SampleGroup::SampleGroup(std::shared_ptr<SampleDevice> device, OPCHANDLE clientGroup,
                         DWORD updateRate, bool active)
    : device_(std::move(device)), clientGroup_(clientGroup), active_(active),
      dataPoint_(MakeComObject<ConnectionPoint>(IID_IOPCDataCallback)),
      timer_(std::make_unique<QTimer>())
{
    dataPoint_->SetAdviseHook([this] {
        device_->calls.push_back(QStringLiteral("Advise IOPCDataCallback"));
        ++device_->callbackAdvises;
        resendAll();
    });
    dataPoint_->SetUnadviseHook(
        [this] { device_->calls.push_back(QStringLiteral("Unadvise IOPCDataCallback")); });
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { tick(); });
    timer_->start(static_cast<int>(updateRate));
}

SampleGroup::~SampleGroup()
{
    Detach();
    device_->calls.push_back(QStringLiteral("group released"));
}

void SampleGroup::Detach()
{
    timer_->stop();
    dataPoint_->Detach();
    streamSinks_.clear();
}

HRESULT SampleGroup::AddItems(DWORD count, const OPCITEMDEF* items, OPCITEMRESULT** results,
                              HRESULT** errors)
{
    device_->calls.push_back(QStringLiteral("AddItems"));
    if (count == 0 || !items || !results || !errors)
        return E_INVALIDARG;
    std::vector<SampleItemDefinition>& definitions = device_->addItems.emplace_back();
    *results = taskArray<OPCITEMRESULT>(count);
    *errors = taskArray<HRESULT>(count);
    HRESULT overall = S_OK;
    for (DWORD i = 0; i < count; ++i) {
        const QString itemId = WideToString(items[i].szItemID);
        const VARTYPE requested = items[i].vtRequestedDataType;
        definitions.push_back(SampleItemDefinition{
            WideToString(items[i].szAccessPath), itemId, items[i].bActive, items[i].hClient,
            items[i].dwBlobSize, items[i].pBlob != nullptr, requested});
        const auto state = device_->Item(itemId);
        QVariant converted = state ? state->value : QVariant();
        if (device_->refuseItems || !state)
            (*errors)[i] = OPC_E_UNKNOWNITEMID;
        else if (FAILED(VariantChangeType(converted, requested)))
            (*errors)[i] = OPC_E_BADTYPE;
        if (FAILED((*errors)[i])) {
            overall = S_FALSE;
            continue;
        }
        const OPCHANDLE handle = nextItem_++;
        const VARTYPE canonical = VariantType(state->value);
        items_.emplace(handle, Item{itemId, items[i].hClient, requested, canonical, std::nullopt});
        (*results)[i].hServer = handle;
        (*results)[i].vtCanonicalDataType = canonical;
        (*results)[i].dwAccessRights = OPC_READABLE | OPC_WRITEABLE;
        ++device_->itemsAdded;
    }
    return overall;
}

HRESULT SampleGroup::RemoveItems(DWORD count, const OPCHANDLE* serverItems, HRESULT** errors)
{
    device_->calls.push_back(QStringLiteral("RemoveItems"));
    if (count == 0 || !serverItems || !errors)
        return E_INVALIDARG;
    *errors = taskArray<HRESULT>(count);
    HRESULT overall = S_OK;
    for (DWORD i = 0; i < count; ++i) {
        if (items_.erase(serverItems[i]) == 0) {
            (*errors)[i] = OPC_E_INVALIDHANDLE;
            overall = S_FALSE;
        } else {
            ++device_->itemsRemoved;
        }
    }
    return overall;
}

HRESULT SampleGroup::Write(DWORD count, const OPCHANDLE* serverItems, const VARIANT* values,
                           HRESULT** errors)
{
    if (count == 0 || !serverItems || !values || !errors)
        return E_INVALIDARG;
    *errors = taskArray<HRESULT>(count);
    HRESULT overall = S_OK;
    for (DWORD i = 0; i < count; ++i) {
        const auto found = items_.find(serverItems[i]);
        QVariant value = values[i];
        if (found == items_.end())
            (*errors)[i] = OPC_E_INVALIDHANDLE;
        else if (device_->failWrites)
            (*errors)[i] = E_FAIL;
        else if (FAILED(VariantChangeType(value, found->second.canonicalType)))
            (*errors)[i] = OPC_E_BADTYPE;
        else
            device_->Write(found->second.itemId, value);
        if (FAILED((*errors)[i]))
            overall = S_FALSE;
    }
    return overall;
}

HRESULT SampleGroup::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (riid != IID_IOPCDataCallback || device_->refuseDataCallback)
        return CONNECT_E_NOCONNECTION;
    dataPoint_->AddRef();
    *point = dataPoint_.Get();
    return S_OK;
}

HRESULT SampleGroup::DAdvise(const FORMATETC* format, DWORD flags, IAdviseSink* sink,
                             DWORD* connection)
{
    device_->calls.push_back(QStringLiteral("DAdvise"));
    if (!format || !sink || !connection)
        return E_INVALIDARG;
    device_->streamAdvises.push_back(SampleStreamAdvise{format->cfFormat, format->ptd != nullptr,
                                                        format->dwAspect, format->lindex,
                                                        format->tymed, flags});
    *connection = 0;
    const CLIPFORMAT data = RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATA"));
    const CLIPFORMAT dataTime = RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATATIME"));
    if (format->cfFormat != data && format->cfFormat != dataTime)
        return DV_E_FORMATETC;
    if (format->tymed != TYMED_HGLOBAL)
        return DV_E_TYMED;
    *connection = nextConnection_++;
    streamSinks_.emplace(*connection, StreamSink{ComPtr<IAdviseSink>(sink), format->cfFormat});
    // Primed at once with every item, not at the next update.
    if (flags & ADVF_PRIMEFIRST) {
        resendAll();
        const ComPtr<SampleGroup> self(this);
        PostToApartment([self] { self->tick(); });
    }
    return S_OK;
}

HRESULT SampleGroup::DUnadvise(DWORD connection)
{
    device_->calls.push_back(QStringLiteral("DUnadvise"));
    return streamSinks_.erase(connection) > 0 ? S_OK : OLE_E_ADVISENOTSUPPORTED;
}

void SampleGroup::resendAll()
{
    for (auto& [handle, item] : items_)
        item.sent.reset();
}

void SampleGroup::tick()
{
    if (!active_ || (dataPoint_->SinkCount() == 0 && streamSinks_.empty()))
        return;
    std::vector<Change> changes;
    for (auto& [handle, item] : items_) {
        const auto state = device_->Item(item.itemId);
        if (!state || state == item.sent)
            continue;
        item.sent = state;
        SampleItemState reported = *state;
        if (FAILED(VariantChangeType(reported.value, item.requestedType))) {
            reported.value = QVariant();
            reported.quality = OPC_QUALITY_BAD;
        }
        changes.push_back(Change{item.clientHandle, reported});
    }
    if (changes.empty())
        return;
    // Out of the timer's own signal: a client may release the group from its callback.
    const ComPtr<SampleGroup> self(this);
    PostToApartment([self, changes] { self->deliver(changes); });
}

void SampleGroup::deliver(const std::vector<Change>& changes) const
{
    if (device_->notifyFromOwnThread)
        std::thread([this, &changes] { deliverHere(changes); }).join();
    else
        deliverHere(changes);
}

void SampleGroup::deliverHere(const std::vector<Change>& changes) const
{
    std::vector<OPCHANDLE> handles;
    std::vector<VARIANT> values;
    std::vector<WORD> qualities;
    std::vector<FILETIME> times;
    std::vector<HRESULT> errors;
    bool allGood = true;
    for (const Change& change : changes) {
        handles.push_back(change.clientHandle);
        values.push_back(change.state.value);
        qualities.push_back(change.state.quality);
        times.push_back(MakeFileTime(change.state.timeStamp));
        errors.push_back(S_OK);
        allGood = allGood && (change.state.quality & OPC_QUALITY_MASK) == OPC_QUALITY_GOOD;
    }
    const auto count = static_cast<DWORD>(changes.size());
    for (const auto& callback : dataPoint_->Sinks<IOPCDataCallback>())
        callback->OnDataChange(0, clientGroup_, allGood ? S_OK : S_FALSE, S_OK, count,
                               handles.data(), values.data(), qualities.data(), times.data(),
                               errors.data());
    std::vector<StreamSink> sinks;
    for (const auto& [connection, sink] : streamSinks_)
        sinks.push_back(sink);
    for (const StreamSink& sink : sinks)
        deliverStream(sink, changes);
}

void SampleGroup::deliverStream(const StreamSink& sink, const std::vector<Change>& changes) const
{
    const bool withTimeStamps =
        sink.format == RegisterClipboardFormat(QStringLiteral("OPCSTMFORMATDATATIME"));
    StreamBlockWriter writer(withTimeStamps);
    for (const Change& change : changes)
        writer.Add(change.clientHandle, change.state.quality, change.state.value,
                   change.state.timeStamp);
    const QByteArray block = writer.Block(clientGroup_);
    const HGLOBAL memory = GlobalAlloc(GHND, static_cast<std::size_t>(block.size()));
    std::memcpy(GlobalLock(memory), block.constData(), static_cast<std::size_t>(block.size()));
    GlobalUnlock(memory);
    FORMATETC format;
    format.cfFormat = sink.format;
    STGMEDIUM medium;
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = memory;
    sink.sink->OnDataChange(&format, &medium);
    GlobalFree(memory);
}
