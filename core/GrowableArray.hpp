#pragma once
#include "core/OutOfMemory.hpp"

#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace vf {

// A list of plain values that keeps its storage when emptied and, when too
// small, grows to at least twice the needed length: once a real-time or
// per-frame path has used it, it stops allocating.
template <typename T>
class GrowableArray {
    static_assert(std::is_trivially_copyable_v<T>, "GrowableArray holds plain values");

public:
    GrowableArray() = default;
    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;
    ~GrowableArray() { std::free(data_); }

    int length() const { return length_; }
    int capacity() const { return capacity_; }
    bool empty() const { return length_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](int i) { return data_[i]; }
    const T& operator[](int i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + length_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + length_; }

    // Makes room for at least n elements without changing the length.
    void reserve(int n)
    {
        if (n <= capacity_)
            return;
        int grown = capacity_ * 2;
        if (grown < n * 2)
            grown = n * 2;
        data_ = static_cast<T*>(checkedRealloc(data_, sizeof(T) * static_cast<size_t>(grown)));
        capacity_ = grown;
    }

    // New elements are left uninitialised, like the storage of a C array.
    void resize(int n)
    {
        reserve(n);
        length_ = n;
    }

    void pushBack(const T& value)
    {
        if (length_ == capacity_) {
            T copy = value; // value may live in our own storage
            reserve(length_ + 1);
            data_[length_++] = copy;
            return;
        }
        data_[length_++] = value;
    }

    void popBack() { --length_; }

    // Removes element i by moving the last one into its slot (order not kept).
    void removeSwapLast(int i)
    {
        data_[i] = data_[length_ - 1];
        --length_;
    }

    void clearContents() { length_ = 0; }

    void fill(const T& value)
    {
        for (int i = 0; i < length_; ++i)
            data_[i] = value;
    }

private:
    T* data_ = nullptr;
    int length_ = 0;
    int capacity_ = 0;
};

} // namespace vf
