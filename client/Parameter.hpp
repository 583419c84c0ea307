#pragma once
#include "client/IParameterListener.hpp"
#include "core/GrowableArray.hpp"
#include "core/UncheckedMutex.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vf {

class Client;
class IHostCommand;

// One automatable control of the plug-in.  The host sees it as a normalized value
// in [0, 1]; the family subclass owns the plain value, its mapping and its text.
class Parameter {
public:
    Parameter(int index, std::string_view name, std::string_view label);
    virtual ~Parameter();
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    // Editor thread.  The list is guarded by the value lock, so a notification
    // from the audio thread never walks a list that is being changed.
    virtual void addListener(IParameterListener* listener);
    virtual void removeListener(IParameterListener* listener);

    virtual const char* name() const;
    virtual const char* label() const;
    virtual int index() const;
    virtual bool isAutomatable() const;
    virtual Parameter* nonAutomatable();

    // Host side: stores the value and notifies listeners; the host is not told back.
    virtual void setFromHost(double normalized);
    virtual double getForHost();
    virtual void toDisplayN(char* buffer, size_t size);

    // Editor thread: a user gesture starts / ends.
    virtual void beginParamEdit();
    virtual void endParamEdit();

    virtual double getNormalized() = 0;
    virtual double getNormalizedDefault() = 0;
    // Always zero-terminates within size (when size > 0).
    virtual void stringFromNormalizedValue(double normalized, char* buffer, size_t size) = 0;
    // normalized is NaN when this returns false.
    virtual bool normalizedValueFromString(std::string_view text, double& normalized) = 0;
    virtual bool isDiscrete() = 0;
    // Stores without notifying anybody.
    virtual void setNormalized(double normalized) = 0;
    virtual void toStringN(char* buffer, size_t size) = 0;
    virtual void notifyListeners();
    virtual void checkBeingEdited();

    // Set once by the owning client before anything else uses the parameter.
    void setClient(Client* client) { client_ = client; }
    Client* client() const { return client_; }

protected:
    // Null when the client has no host attached (throw-away clients, tests).
    IHostCommand* hostCommand() const;
    // Edit protocol: the value just changed on the editor thread; tell the host, then listeners.
    void reportGUIChange(double normalized);

    // Editor thread: stores a user's value (already limited to the range) under the
    // value lock, then reports it to the host and the listeners.
    template <typename Atomic, typename Plain>
    void storeFromGUI(Atomic& value, Plain plain)
    {
        double normalized;
        {
            MutexLock lock(valueMutex_);
            value.exchange(plain);
            normalized = getNormalized(); // the lock is recursive
        }
        reportGUIChange(normalized);
    }

    UncheckedMutex valueMutex_;

private:
    Client* client_ = nullptr;
    int index_;
    std::string name_;
    std::string label_;
    bool isAutomatable_ = true;
    GrowableArray<IParameterListener*> listeners_;
};

// Limits to [0, 1]; NaN passes through unchanged.
inline double clampNormalized(double x)
{
    if (x < 0.0)
        return 0.0;
    if (x > 1.0)
        return 1.0;
    return x;
}

// snprintf that tolerates a null or empty buffer.
void formatInto(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

} // namespace vf
