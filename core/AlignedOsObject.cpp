#include "core/AlignedOsObject.hpp"

#include "core/OutOfMemory.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace vf {

void* allocateAlignedOsObject(std::size_t size)
{
    auto* raw = static_cast<unsigned char*>(checkedMalloc(size + 79));
    auto address = reinterpret_cast<std::uintptr_t>(raw) + 16;
    address = (address + 63) & ~static_cast<std::uintptr_t>(63);
    auto* object = reinterpret_cast<unsigned char*>(address);
    std::memcpy(object - 16, &size, sizeof size);
    void* rawPointer = raw;
    std::memcpy(object - 8, &rawPointer, sizeof rawPointer);
    std::memset(object, 0, size);
    return object;
}

void freeAlignedOsObject(void* object)
{
    if (object == nullptr)
        return;
    void* raw;
    std::memcpy(&raw, static_cast<unsigned char*>(object) - 8, sizeof raw);
    std::free(raw);
}

} // namespace vf
