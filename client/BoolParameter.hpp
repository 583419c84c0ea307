#pragma once
#include "client/Parameter.hpp"

#include <atomic>

namespace vf {

// An on/off parameter shown as "yes" / "no".
class BoolParameter : public Parameter {
public:
    BoolParameter(int index, std::string_view name, bool defaultValue);

    double getNormalized() override;
    double getNormalizedDefault() override;
    void stringFromNormalizedValue(double normalized, char* buffer, size_t size) override;
    bool normalizedValueFromString(std::string_view text, double& normalized) override;
    bool isDiscrete() override { return true; }
    void setNormalized(double normalized) override;
    void toStringN(char* buffer, size_t size) override;

    bool value();
    // Audio thread: one byte load, no lock.
    bool valueAtomic() const { return value_.load(std::memory_order_relaxed); }
    bool defaultValue() const { return defaultValue_; }

    // Editor thread.
    void setFromGUI(bool value);

private:
    std::atomic<bool> value_;
    bool defaultValue_;
};

} // namespace vf
