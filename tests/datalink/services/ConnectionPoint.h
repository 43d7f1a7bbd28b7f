#pragma once

#include "objsvc/ConnectionPoint.h"

#include <functional>
#include <map>
#include <vector>

// One outgoing interface of a server object and the sinks advised on it. The object owns the
// point and calls Detach before it goes.
class ConnectionPoint : public ComObject<IConnectionPoint>
{
public:
    explicit ConnectionPoint(REFIID riid);

    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    // Drops every sink and both hooks.
    void Detach();

    // Called after each successful Advise: a server primes a new sink with the current data.
    void SetAdviseHook(std::function<void()> hook) { adviseHook_ = std::move(hook); }
    // Called after each successful Unadvise.
    void SetUnadviseHook(std::function<void()> hook) { unadviseHook_ = std::move(hook); }

    // The sinks as the interface of the point, in advise order; a copy, so that a sink may
    // unadvise while it is being called.
    template <typename T> std::vector<ComPtr<T>> Sinks() const
    {
        std::vector<ComPtr<T>> sinks;
        for (const auto& [cookie, sink] : sinks_)
            sinks.emplace_back(static_cast<T*>(sink.Get()));
        return sinks;
    }

    std::size_t SinkCount() const { return sinks_.size(); }

private:
    IID iid_;
    // Each sink is held as the point's interface.
    std::map<DWORD, ComPtr<IUnknown>> sinks_;
    DWORD nextCookie_ = 1;
    std::function<void()> adviseHook_;
    std::function<void()> unadviseHook_;
};
