#pragma once
#include <cstddef>

namespace vf {

// Out of memory is not recoverable inside a host's process: stop at once.
[[noreturn]] void onOutOfMemory();

// malloc/realloc that never return null.
void* checkedMalloc(std::size_t bytes);
void* checkedRealloc(void* block, std::size_t bytes);

} // namespace vf
