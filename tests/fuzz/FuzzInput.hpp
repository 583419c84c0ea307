#pragma once
// What the fuzz targets share: a reader that takes fields from the front of the
// input (zeros once it is used up), and a check that stops the run with its text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace vf::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    template <typename T>
    T take()
    {
        T v{};
        const std::span<const uint8_t> b = bytes(sizeof v);
        if (!b.empty())
            std::memcpy(&v, b.data(), b.size());
        return v;
    }
    std::span<const uint8_t> bytes(size_t n)
    {
        n = std::min(n, size_);
        const std::span<const uint8_t> out(data_, n);
        data_ += n;
        size_ -= n;
        return out;
    }
    std::span<const uint8_t> rest() { return bytes(size_); }
    bool empty() const { return size_ == 0; }

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace vf::fuzz
