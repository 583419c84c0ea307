#include "client/Parameter.hpp"

#include "client/Client.hpp"
#include "client/IHostCommand.hpp"
#include "client/IParameterListener.hpp"

#include <cstdarg>
#include <cstdio>

namespace vf {

void formatInto(char* buffer, size_t size, const char* format, ...)
{
    if (buffer == nullptr || size == 0)
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, size, format, args);
    va_end(args);
}

Parameter::Parameter(int index, std::string_view name, std::string_view label)
    : index_(index), name_(name), label_(label)
{
    // Create the lock object now: its first use may be on the audio thread.
    valueMutex_.lock();
    valueMutex_.unlock();
}

Parameter::~Parameter() = default;

void Parameter::addListener(IParameterListener* listener)
{
    MutexLock lock(valueMutex_);
    listeners_.pushBack(listener);
}

void Parameter::removeListener(IParameterListener* listener)
{
    MutexLock lock(valueMutex_);
    for (int i = 0; i < listeners_.length(); ++i) {
        if (listeners_[i] == listener) {
            listeners_.removeSwapLast(i);
            return;
        }
    }
}

const char* Parameter::name() const { return name_.c_str(); }
const char* Parameter::label() const { return label_.c_str(); }
int Parameter::index() const { return index_; }
bool Parameter::isAutomatable() const { return isAutomatable_; }

Parameter* Parameter::nonAutomatable()
{
    isAutomatable_ = false;
    return this;
}

void Parameter::setFromHost(double normalized)
{
    setNormalized(normalized);
    notifyListeners();
}

double Parameter::getForHost() { return getNormalized(); }

void Parameter::toDisplayN(char* buffer, size_t size) { toStringN(buffer, size); }

void Parameter::beginParamEdit()
{
    if (IHostCommand* host = hostCommand())
        host->beginParamEdit(index_);
    MutexLock lock(valueMutex_);
    for (int i = 0; i < listeners_.length(); ++i)
        listeners_[i]->onBeginParameterEdit(this);
}

void Parameter::endParamEdit()
{
    if (IHostCommand* host = hostCommand())
        host->endParamEdit(index_);
    MutexLock lock(valueMutex_);
    for (int i = 0; i < listeners_.length(); ++i)
        listeners_[i]->onEndParameterEdit(this);
}

void Parameter::notifyListeners()
{
    // Recursive: callers may already hold the value lock.  Taking it only here
    // keeps the audio path lock-free while no control value changes.
    MutexLock lock(valueMutex_);
    for (int i = 0; i < listeners_.length(); ++i)
        listeners_[i]->onParameterChanged(this);
}

void Parameter::checkBeingEdited() {}

IHostCommand* Parameter::hostCommand() const
{
    return client_ != nullptr ? client_->hostCommand() : nullptr;
}

void Parameter::reportGUIChange(double normalized)
{
    if (IHostCommand* host = hostCommand())
        host->paramAutomate(index_, static_cast<float>(normalized));
    notifyListeners();
}

} // namespace vf
