#pragma once
// Owners for COM interface pointers: every reference taken is released on every path, failures included.

#include <windows.h>

#include <unknwn.h>

#include "app/ComErrors.h"

namespace quibel {

template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // The slot for a call that hands out a new reference (CoCreateInstance, QueryInterface); releases the old one.
    void** Receive() {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }

    void Reset() {
        if (pointer_ != nullptr) {
            pointer_->Release();
            pointer_ = nullptr;
        }
    }

  private:
    Interface* pointer_ = nullptr;
};

// Asks an object for another of its interfaces; EIntfCastError when it refuses (or there is no object).
template <typename Interface>
ComPtr<Interface> QueryInterfaceOrThrow(IUnknown* object, REFIID interfaceId) {
    ComPtr<Interface> result;
    if (object == nullptr || FAILED(object->QueryInterface(interfaceId, result.Receive())) || !result) {
        throw EIntfCastError();
    }
    return result;
}

}  // namespace quibel
