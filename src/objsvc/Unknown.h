#pragma once

#include "objsvc/ComTypes.h"

#include <atomic>
#include <cstddef>
#include <utility>

// The base of every interface: reference counting and the question for another interface.
// An interface is destroyed only through its object's own Release.
class IUnknown
{
public:
    static constexpr IID Iid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

inline constexpr IID IID_IUnknown = IUnknown::Iid;

// Holds one reference. `Put()` receives an interface that a call hands out with its reference
// already counted; the constructor from a raw pointer counts a reference of its own.
template <typename T> class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* object) : object_(object)
    {
        if (object_)
            object_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* object)
    {
        ComPtr result;
        result.object_ = object;
        return result;
    }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    void Reset()
    {
        if (T* object = std::exchange(object_, nullptr))
            object->Release();
    }

    T** Put()
    {
        Reset();
        return &object_;
    }

    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // Another interface of the same object; empty when the object has none.
    template <typename U> ComPtr<U> As() const
    {
        ComPtr<U> result;
        if (object_)
            object_->QueryInterface(U::Iid, result.PutVoid());
        return result;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.object_ == b.object_; }

private:
    T* object_ = nullptr;
};

// An object implementing the given interfaces, freed when its last reference goes. Objects are
// created with new and handed to a ComPtr straight away.
template <typename First, typename... Rest> class ComObject : public First, public Rest...
{
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == First::Iid)
            *object = static_cast<First*>(this);
        else
            static_cast<void>(
                ((riid == Rest::Iid ? (*object = static_cast<Rest*>(this), true) : false) || ...));
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return ++references_; }

    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // The object's identity as IUnknown (several bases derive from it).
    IUnknown* Unknown() { return static_cast<First*>(this); }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    // A server may hold and release a notification object on a thread of its own.
    std::atomic<ULONG> references_ = 0;
};

// A new object of class T under a first reference.
template <typename T, typename... Args> ComPtr<T> MakeComObject(Args&&... args)
{
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}
