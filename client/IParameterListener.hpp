#pragma once

namespace vf {

class Parameter;

// Observer of one parameter (editor widgets).  Callbacks run on whichever thread
// changed the value -- the host's audio thread for automation -- so they must only
// record work (mark areas dirty): no blocking, no allocation.  They run with the
// parameter's value lock held, so code that holds a lock a listener takes (a dirty
// list's) must never lock a parameter.
class IParameterListener {
public:
    virtual ~IParameterListener() = default;
    virtual void onParameterChanged(Parameter* sender) = 0;
    virtual void onBeginParameterEdit(Parameter* sender) = 0;
    virtual void onEndParameterEdit(Parameter* sender) = 0;
};

} // namespace vf
