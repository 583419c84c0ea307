#pragma once
#include <stdexcept>

namespace vf {

// Loading a state chunk failed; what() is the reason.  Adapters catch it: it must
// never reach a host.
class StateChunkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace vf
