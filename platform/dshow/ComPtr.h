#pragma once
// Owns one reference to a COM object and releases it when it goes, so that
// no path out of a function can leak or double-release an interface.
#include <unknwn.h>

namespace dshow {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
        }
        return *this;
    }
    ~ComPtr() { Reset(); }
    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    // The slot a call that hands out a reference fills; what was held goes first.
    T** Put()
    {
        Reset();
        return &m_ptr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    // Gives the reference to the caller, who releases it.
    T* Detach()
    {
        T* ptr = m_ptr;
        m_ptr = nullptr;
        return ptr;
    }
    void Reset()
    {
        if (m_ptr) m_ptr->Release();
        m_ptr = nullptr;
    }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

}  // namespace dshow
