#pragma once
#include "client/Parameter.hpp"

#include <atomic>

namespace vf {

// A parameter whose plain value is a double; subclasses define the mapping.
class FloatParameter : public Parameter {
public:
    FloatParameter(int index, std::string_view name, std::string_view label, double min, double max,
                   double defaultValue);

    double getNormalized() override;
    double getNormalizedDefault() override;
    void stringFromNormalizedValue(double normalized, char* buffer, size_t size) override;
    bool normalizedValueFromString(std::string_view text, double& normalized) override;
    bool isDiscrete() override { return false; }
    void setNormalized(double normalized) override;
    void toStringN(char* buffer, size_t size) override;

    virtual double toNormalized(double plain) = 0;
    virtual double fromNormalized(double normalized) = 0;

    // Any thread; takes the value lock.
    double value();
    // Audio thread: one aligned load, no lock.
    double valueAtomic() const { return value_.load(std::memory_order_relaxed); }
    double min() const { return min_; }
    double max() const { return max_; }
    double defaultValue() const { return defaultValue_; }

    // Editor thread: the user set a plain value (limited to [min, max]).
    void setFromGUI(double plain);
    void setFromGUINormalized(double normalized);

protected:
    // Replaces the precision digit of the "%2.2f" format.
    void setDecimals(int decimals);

private:
    std::atomic<double> value_;
    double min_;
    double max_;
    double defaultValue_;
    char formatString_[6] = "%2.2f";
};

} // namespace vf
