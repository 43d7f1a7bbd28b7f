#pragma once

#include "objsvc/Unknown.h"

#include <functional>
#include <map>
#include <vector>

class IConnectionPointContainer;

class IConnectionPoint : public IUnknown
{
public:
    static constexpr IID iid{
        0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

    virtual HRESULT GetConnectionInterface(IID* riid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    // The sink must answer the connection point's interface; the cookie is never 0.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;

protected:
    ~IConnectionPoint() = default;
};

class IConnectionPointContainer : public IUnknown
{
public:
    static constexpr IID iid{
        0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

inline constexpr IID IID_IConnectionPoint = IConnectionPoint::iid;
inline constexpr IID IID_IConnectionPointContainer = IConnectionPointContainer::iid;

// One outgoing interface of an object and the sinks advised on it. The container is not held:
// it owns the point and calls Detach before it goes.
class ConnectionPoint : public ComObject<IConnectionPoint>
{
public:
    ConnectionPoint(REFIID riid, IConnectionPointContainer* container);

    HRESULT GetConnectionInterface(IID* riid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    // Drops every sink and the container.
    void Detach();

    // Called after each successful Advise: a server primes a new sink with the current data.
    void SetAdviseHook(std::function<void()> hook) { adviseHook_ = std::move(hook); }

    // The sinks as the interface of the point, in advise order; a copy, so that a sink may
    // unadvise while it is being called.
    template <typename T> std::vector<ComPtr<T>> Sinks() const
    {
        std::vector<ComPtr<T>> sinks;
        for (const auto& [cookie, sink] : sinks_)
            sinks.emplace_back(static_cast<T*>(sink.get()));
        return sinks;
    }

    std::size_t SinkCount() const { return sinks_.size(); }

private:
    IID iid_;
    IConnectionPointContainer* container_;
    // Each sink is held as the point's interface.
    std::map<DWORD, ComPtr<IUnknown>> sinks_;
    DWORD nextCookie_ = 1;
    std::function<void()> adviseHook_;
};
