#include "editor/UIParamLabel.hpp"

#include "client/Parameter.hpp"
#include "graphics/Font.hpp"

#include <algorithm>
#include <cstring>
#include <sched.h>

namespace vf {

UIParamLabel::UIParamLabel(UIContext* context, Parameter* parameter, Font* font, int fontSize, RGBA textColor,
                           bool showUnit)
    : UIElement(context, rawLayerFlag),
      parameter_(parameter),
      font_(font),
      fontSize_(fontSize),
      textColor_(textColor),
      showUnit_(showUnit)
{
    parameter_->addListener(this);
    updateText();
    setDirtyWhole();
}

UIParamLabel::~UIParamLabel() { parameter_->removeListener(this); }

size_t UIParamLabel::paramString(char* out, size_t size) const
{
    if (out == nullptr || size == 0)
        return 0;
    out[0] = '\0';
    // The value text is limited to 128 bytes, which leaves room for the unit.
    parameter_->toDisplayN(out, std::min<size_t>(size, 128));
    size_t n = strnlen(out, size - 1);
    const char* unit = parameter_->label();
    const size_t unitLength = unit != nullptr ? std::strlen(unit) : 0;

    // Without the unit the last three characters (".dd") give way to it; a value
    // text too short to hold them keeps its digits and gets the unit appended.
    size_t pos = n;
    if (!showUnit_ && n >= 3)
        pos = n - 3;
    if (pos + 1 < size) {
        out[pos++] = ' ';
        const size_t copied = std::min(unitLength, size - 1 - pos);
        std::memcpy(out + pos, unit, copied);
        pos += copied;
    }
    out[pos] = '\0';
    return pos;
}

void UIParamLabel::publish(const char* text, size_t length)
{
    uint64_t packed[kWords] = {};
    std::memcpy(packed, text, std::min(length, textCapacity));
    MutexLock lock(writeMutex_);
    const uint32_t s = sequence_.load(std::memory_order_relaxed);
    sequence_.store(s + 1, std::memory_order_relaxed);
    // Release stores: a reader that sees any new word also sees the odd counter.
    for (size_t i = 0; i < kWords; ++i)
        words_[i].store(packed[i], std::memory_order_release);
    length_.store(static_cast<uint32_t>(length), std::memory_order_release);
    sequence_.store(s + 2, std::memory_order_release);
}

size_t UIParamLabel::copyText(char* out, size_t size) const
{
    if (out == nullptr || size == 0)
        return 0;
    uint64_t packed[kWords];
    uint32_t length = 0;
    for (int attempt = 0;; ++attempt) {
        const uint32_t before = sequence_.load(std::memory_order_acquire);
        if ((before & 1u) == 0) {
            // Acquire loads keep the second counter read after the copy.
            for (size_t i = 0; i < kWords; ++i)
                packed[i] = words_[i].load(std::memory_order_acquire);
            length = length_.load(std::memory_order_acquire);
            if (sequence_.load(std::memory_order_relaxed) == before)
                break;
        }
        if (attempt >= 16) // a writer was preempted mid-copy: let it finish
            sched_yield();
    }
    const size_t n = std::min<size_t>(length, size - 1);
    std::memcpy(out, packed, n);
    out[n] = '\0';
    return n;
}

std::string UIParamLabel::text() const
{
    char buffer[textCapacity + 1];
    const size_t n = copyText(buffer, sizeof buffer);
    return std::string(buffer, n);
}

void UIParamLabel::updateText()
{
    char buffer[textCapacity];
    const size_t n = paramString(buffer, sizeof buffer);
    publish(buffer, n);
}

void UIParamLabel::onParameterChanged(Parameter*)
{
    updateText();
    setDirty(textBand());
}

// Only this band changes with the value: the text is centred and never taller than
// its font size (a fitted text is smaller), so the rest of the box keeps its
// pixels.  Under host automation that is most of the label's share of a frame.
box2i UIParamLabel::textBand() const
{
    const box2i p = position();
    const int half = fontSize_ + 4, centre = p.height() / 2;
    return box2i{{0, centre - half}, {p.width(), centre + half}}.intersection(box2i{{0, 0}, {p.width(), p.height()}});
}

float UIParamLabel::fittedFontSize(std::string_view text) const
{
    // A value too wide for the box (a long negative gain, or a small editor) would be
    // cut at both ends and could read as another number ("-4.0 dB" as "4.0 d"):
    // such a text is drawn smaller so that it stays whole.
    const float size = static_cast<float>(fontSize_);
    const int available = width() - 2;
    if (available <= 0)
        return size;
    const int textWidth = font_->measureText(text, size, kLetterSpacing).width();
    if (textWidth <= available)
        return size;
    float fitted = size * static_cast<float>(available) / static_cast<float>(textWidth);
    for (int i = 0; i < 4 && font_->measureText(text, fitted, kLetterSpacing).width() > available; ++i)
        fitted *= 0.95f;
    return fitted;
}

void UIParamLabel::onBeginParameterEdit(Parameter*) {}
void UIParamLabel::onEndParameterEdit(Parameter*) {}

void UIParamLabel::onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects)
{
    if (font_ == nullptr)
        return;
    char buffer[textCapacity];
    const size_t n = copyText(buffer, sizeof buffer);
    const std::string_view text(buffer, n);
    const float w = static_cast<float>(width()), h = static_cast<float>(height());
    // Other labels may draw with the same font on other pool threads; measuring
    // needs the font to ourselves, and the lock is recursive for fillText.
    MutexLock lock(font_->mutex());
    const float size = fittedFontSize(text);
    for (const box2i& r : dirtyRects)
        fillText(rawMap.crop(r), *font_, text, size, kLetterSpacing, textColor_, w * 0.5f - r.min.x,
                 h * 0.5f - r.min.y, HorizontalAlignment::center, VerticalAlignment::center);
}

} // namespace vf
