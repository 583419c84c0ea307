#pragma once
#include "core/Box2i.hpp"
#include "core/UncheckedMutex.hpp"
#include "graphics/GlyphCache.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>

namespace vf {

// Only center (1) moves the position; every other value leaves it as the text
// origin (pen start on the baseline).
enum class HorizontalAlignment : int { left = 0, center = 1 };
enum class VerticalAlignment : int { baseline = 0, center = 1 };

// Decodes the UTF-8 code point at text[position] and advances position past it.
// An invalid or truncated sequence yields U+FFFD; never reads past the end.
// Requires position < text.size().
char32_t decodeUtf8(std::string_view text, size_t& position);

// A TrueType font with its glyph cache and the lock that serialises drawing.
class Font {
public:
    // Called per character: index, code point, pixel box, scale, xShift, yShift.
    using CharacterCallback = void (*)(void* user, int index, char32_t ch, box2i position, float scale, float xShift,
                                       float yShift);

    // data is not copied: the creator keeps it alive as long as the font.
    // A font the parser rejects is a programming error (it stops the process).
    Font(const uint8_t* data, size_t size);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Vertical metrics in font units, from the hhea table.
    int ascent() const { return ascent_; }
    int descent() const { return descent_; }
    int lineGap() const { return lineGap_; }

    // Font units to pixels for a font size measured from descent to ascent;
    // 0 when fontSizePx is not a usable size.
    float scaleForPixelHeight(float fontSizePx) const;

    // Union of the pixel boxes of all glyphs laid out from (0, 0); the empty box
    // at (0, 0) for empty text. No lock: only while no other thread draws with
    // this font.
    box2i measureText(std::string_view text, float fontSizePx, float letterSpacing) const;

    // Walks the text, calling callback once per character. No lock: only while no
    // other thread draws with this font.
    void iterateCharacterPositions(std::string_view text, float fontSizePx, float letterSpacing,
                                   float fractionalPosX, float fractionalPosY, CharacterCallback callback,
                                   void* user) const;

    template <typename F>
        requires std::is_invocable_v<F&, int, char32_t, box2i, float, float, float>
    void iterateCharacterPositions(std::string_view text, float fontSizePx, float letterSpacing,
                                   float fractionalPosX, float fractionalPosY, F&& callback) const
    {
        iterateCharacterPositions(
            text, fontSizePx, letterSpacing, fractionalPosX, fractionalPosY,
            [](void* user, int index, char32_t ch, box2i position, float scale, float xShift, float yShift) {
                (*static_cast<std::remove_reference_t<F>*>(user))(index, ch, position, scale, xShift, yShift);
            },
            const_cast<void*>(static_cast<const void*>(&callback)));
    }

    GlyphCache& glyphCache() { return *cache_; }
    UncheckedMutex& mutex() { return mutex_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::unique_ptr<GlyphCache> cache_;
    UncheckedMutex mutex_;
    int16_t ascent_ = 0;
    int16_t descent_ = 0;
    int16_t lineGap_ = 0;
};

// Draws one line of UTF-8 text into surface, clipped to it. With center
// alignment the text's measured box is centred on the position. Takes the font's
// lock for the whole call; any thread that may lock that font.
void fillText(ImageRef<RGBA> surface, Font& font, std::string_view text, float fontSizePx, float letterSpacing,
              RGBA textColor, float positionX, float positionY, HorizontalAlignment horizontalAlignment,
              VerticalAlignment verticalAlignment);

} // namespace vf
