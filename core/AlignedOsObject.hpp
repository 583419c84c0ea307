#pragma once
#include <cstddef>

namespace vf {

// OS lock objects each get a heap block of their own, aligned to a cache line so
// that two locks never share one.  The block's size and the allocator's pointer
// sit in the two words just before the object.
void* allocateAlignedOsObject(std::size_t size);
void freeAlignedOsObject(void* object);

} // namespace vf
