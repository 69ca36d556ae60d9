#pragma once
// Intrusive reference counting for objects shared between an owner and a
// worker thread: whoever releases last frees the object, so a thread that
// outlives its owner never runs on freed memory.
#include <atomic>
#include <utility>

class RefCounted {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    void AddRef() const { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release() const {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;

private:
    mutable std::atomic<long> refs_{0};
};

// Holds one reference; copies add one, destruction releases it.
template <class T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(T* object) : object_(object) {
        if (object_) object_->AddRef();
    }
    RefPtr(const RefPtr& other) : RefPtr(other.object_) {}
    RefPtr(RefPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    template <class U>
    RefPtr(const RefPtr<U>& other) : RefPtr(other.Get()) {}
    ~RefPtr() {
        if (object_) object_->Release();
    }

    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};
