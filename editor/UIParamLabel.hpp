#pragma once
#include "client/IParameterListener.hpp"
#include "core/UncheckedMutex.hpp"
#include "graphics/Pixels.hpp"
#include "gui/UIElement.hpp"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vf {

class Font;
class Parameter;

// Shows a parameter's current value as centred text with its unit ("-4.0 dB",
// "50 %").  Text only, drawn over whatever lies beneath on the raw layer.
class UIParamLabel : public UIElement, public IParameterListener {
public:
    static constexpr size_t textCapacity = 256;

    // showUnit: the value text, a space and the unit; otherwise the unit replaces
    // the value's decimal point and two decimals.  The font is not owned.  Event thread.
    UIParamLabel(UIContext* context, Parameter* parameter, Font* font, int fontSize, RGBA textColor, bool showUnit);
    ~UIParamLabel() override;

    // The text for the parameter's current value, written into out (always
    // terminated); returns its length.  Any thread; takes the parameter's lock.
    size_t paramString(char* out, size_t size) const;

    // Copies the text last computed; never a mix of an old and a new text.  Any thread.
    size_t copyText(char* out, size_t size) const;
    std::string text() const;

    // Any thread (the host's audio thread for automation): recomputes the text
    // and marks the label dirty; never allocates.
    void onParameterChanged(Parameter* sender) override;
    // The part of the box a value change repaints (element coordinates).
    box2i textBand() const;
    void onBeginParameterEdit(Parameter* sender) override;
    void onEndParameterEdit(Parameter* sender) override;

    // Pool thread.
    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override;

private:
    static constexpr float kLetterSpacing = 0.5f;

    void updateText();
    // Caller holds the font's lock.
    float fittedFontSize(std::string_view text) const;
    void publish(const char* text, size_t length);

    Parameter* parameter_;
    Font* font_;
    int fontSize_;
    RGBA textColor_;
    bool showUnit_;

    // The text lives in a sequence-locked buffer: a writer makes the counter odd,
    // stores the words and makes it even again; a reader retries when the counter
    // was odd or moved while it copied.  Readers never block a writer, and the words
    // are atomics so concurrent access is well defined.  Writers (a host thread and
    // the editor thread may both report a change) are serialised by writeMutex_.
    static constexpr size_t kWords = textCapacity / sizeof(uint64_t);
    std::atomic<uint32_t> sequence_{0};
    std::atomic<uint32_t> length_{0};
    std::atomic<uint64_t> words_[kWords] = {};
    UncheckedMutex writeMutex_;
};

} // namespace vf
