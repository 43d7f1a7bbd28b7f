#pragma once

#include "objsvc/Apartment.h"
#include "objsvc/DataObject.h"
#include "objsvc/OPCDA.h"

#include <QVariant>

#include <functional>

// The three notification objects an item registers with its server. Each calls its handler
// (bound by the item) after taking in a notification; an unbound object takes the data in and
// calls nothing, so a late notification cannot reach an item that let go. The handler always
// runs on the UI thread: a notification from another thread is copied before the call returns
// and delivered through the UI thread's event loop, in order. Every notification answers
// success: an error the handler raises is raised again from the event loop once the server's
// call is over, and the remaining items of a stream block are still delivered.
using TiOPCHandler = std::function<void()>;

class TiOPCShutdownCallback : public ComObject<IOPCShutdown>
{
public:
    void Bind(TiOPCHandler handler) { handler_ = std::move(handler); }
    void Unbind() { handler_ = nullptr; }

    // The reason is not needed: the item lets go whatever it is.
    HRESULT ShutdownRequest(LPCWSTR reason) override;

private:
    TiOPCHandler handler_;
    ApartmentQueue apartment_;
};

class TiOPCDataCallback : public ComObject<IOPCDataCallback>
{
public:
    void Bind(TiOPCHandler handler) { handler_ = std::move(handler); }
    void Unbind() { handler_ = nullptr; }

    QVariant Value() const { return value_; }
    WORD Quality() const { return quality_; }
    // Local days since 1899-12-30; 0 when the server gave none.
    double TimeStamp() const { return timeStamp_; }

    // Both take the first entry only: the item's group holds one item.
    HRESULT OnDataChange(DWORD transaction, OPCHANDLE group, HRESULT masterQuality,
                         HRESULT masterError, DWORD count, const OPCHANDLE* clientItems,
                         const VARIANT* values, const WORD* qualities, const FILETIME* timeStamps,
                         const HRESULT* errors) override;
    HRESULT OnReadComplete(DWORD transaction, OPCHANDLE group, HRESULT masterQuality,
                           HRESULT masterError, DWORD count, const OPCHANDLE* clientItems,
                           const VARIANT* values, const WORD* qualities, const FILETIME* timeStamps,
                           const HRESULT* errors) override;
    HRESULT OnWriteComplete(DWORD, OPCHANDLE, HRESULT, DWORD, const OPCHANDLE*,
                            const HRESULT*) override
    {
        return S_OK;
    }
    HRESULT OnCancelComplete(DWORD, OPCHANDLE) override { return S_OK; }

private:
    void takeFirst(DWORD count, const VARIANT* values, const WORD* qualities,
                   const FILETIME* timeStamps);

    TiOPCHandler handler_;
    ApartmentQueue apartment_;
    QVariant value_;
    WORD quality_ = 0;
    double timeStamp_ = 0;
};

class TiOPCAdviseSink : public ComObject<IAdviseSink>
{
public:
    void Bind(TiOPCHandler handler) { handler_ = std::move(handler); }
    void Unbind() { handler_ = nullptr; }

    QVariant Value() const { return value_; }
    // Only the quality bits (0xC0) of what the server sent.
    WORD Quality() const { return quality_; }
    double TimeStamp() const { return timeStamp_; }
    OPCHANDLE ClientHandle() const { return clientHandle_; }

    // Takes the items of a stream block one after the other, calling the handler for each.
    void OnDataChange(const FORMATETC* format, const STGMEDIUM* medium) override;
    void OnViewChange(DWORD, LONG) override {}
    void OnSave() override {}
    void OnClose() override {}

private:
    TiOPCHandler handler_;
    ApartmentQueue apartment_;
    QVariant value_;
    WORD quality_ = 0;
    double timeStamp_ = 0;
    OPCHANDLE clientHandle_ = 0;
};
