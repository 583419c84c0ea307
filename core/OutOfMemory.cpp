#include "core/OutOfMemory.hpp"

#include <cstdlib>

namespace vf {

void onOutOfMemory()
{
    std::abort();
}

void* checkedMalloc(std::size_t bytes)
{
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr)
        onOutOfMemory();
    return p;
}

void* checkedRealloc(void* block, std::size_t bytes)
{
    void* p = std::realloc(block, bytes == 0 ? 1 : bytes);
    if (p == nullptr)
        onOutOfMemory();
    return p;
}

} // namespace vf
