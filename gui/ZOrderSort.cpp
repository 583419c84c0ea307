#include "gui/ZOrderSort.hpp"

#include "gui/UIElement.hpp"

#include <cstring>

namespace vf {

namespace {

constexpr int minMergeLength = 64;
constexpr int runLength = 32;

// Key that sorts ascending whatever the requested direction.
inline int64_t key(const UIElement* e, bool descending)
{
    return descending ? -static_cast<int64_t>(e->zOrder()) : e->zOrder();
}

void binaryInsertionSort(UIElement** a, int n, bool descending)
{
    for (int i = 1; i < n; ++i) {
        UIElement* item = a[i];
        const int64_t k = key(item, descending);
        // First position whose key is greater than k: equal keys stay before.
        int lo = 0;
        int hi = i;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (key(a[mid], descending) <= k)
                lo = mid + 1;
            else
                hi = mid;
        }
        std::memmove(a + lo + 1, a + lo, sizeof(UIElement*) * static_cast<size_t>(i - lo));
        a[lo] = item;
    }
}

} // namespace

void stableSortByZOrder(GrowableArray<UIElement*>& list, GrowableArray<UIElement*>& scratch, bool descending)
{
    const int n = list.length();
    UIElement** a = list.data();
    if (n < minMergeLength) {
        binaryInsertionSort(a, n, descending);
        return;
    }
    for (int start = 0; start < n; start += runLength)
        binaryInsertionSort(a + start, std::min(runLength, n - start), descending);

    scratch.resize(n);
    UIElement** src = a;
    UIElement** dst = scratch.data();
    for (int width = runLength; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width) {
            const int mid = std::min(lo + width, n);
            const int hi = std::min(lo + 2 * width, n);
            int i = lo, j = mid, o = lo;
            while (i < mid && j < hi) {
                // Take from the right run only when strictly smaller: stability.
                if (key(src[j], descending) < key(src[i], descending))
                    dst[o++] = src[j++];
                else
                    dst[o++] = src[i++];
            }
            while (i < mid)
                dst[o++] = src[i++];
            while (j < hi)
                dst[o++] = src[j++];
        }
        std::swap(src, dst);
    }
    if (src != a)
        std::memcpy(a, src, sizeof(UIElement*) * static_cast<size_t>(n));
}

} // namespace vf
