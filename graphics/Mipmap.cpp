#include "graphics/Mipmap.hpp"

#include <algorithm>
#include <cmath>
#include <emmintrin.h>
#include <type_traits>

namespace vf {

namespace {

// The part of rectOnDest that has both a destination pixel and its whole 2 x 2
// source block (the cubic filter clamps its outer taps, so this suffices).
box2i writableRect(box2i r, int destW, int destH, int srcW, int srcH)
{
    const box2i limit{{0, 0}, {std::min(destW, srcW / 2), std::min(destH, srcH / 2)}};
    return r.intersection(limit);
}

template <typename T>
const T* row(const ImageRef<T>& img, int y)
{
    return img.scanline(y);
}

inline uint8_t clampByte(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Source columns (or rows) of the cubic filter for destination index x: the
// four taps 2x - 1, 2x, 2x + 1, 2x + 2 with the outer ones clamped to the image.
struct CubicTaps {
    int i0, i1, i2, i3;
};

inline CubicTaps cubicTaps(int x, int n)
{
    return {std::max(2 * x - 1, 0), 2 * x, 2 * x + 1, std::min(2 * x + 2, n - 1)};
}

// One destination pixel of each RGBA filter, straight from its formula. The
// vector loops below handle the bulk of each row and must agree with these
// bit for bit; these finish the rows and the clamped edges.
RGBA boxPixel(const RGBA* s0, const RGBA* s1, int x)
{
    const uint8_t* a = &s0[2 * x].r;
    const uint8_t* b = &s1[2 * x].r;
    uint8_t out[4];
    for (int c = 0; c < 4; ++c)
        out[c] = static_cast<uint8_t>((a[c] + a[4 + c] + b[c] + b[4 + c] + 2) >> 2);
    return {out[0], out[1], out[2], out[3]};
}

RGBA boxAlphaCovPixel(const RGBA* s0, const RGBA* s1, int x)
{
    const RGBA p[4] = {s0[2 * x], s0[2 * x + 1], s1[2 * x], s1[2 * x + 1]};
    const int sumA = p[0].a + p[1].a + p[2].a + p[3].a;
    if (sumA == 0)
        return {0, 0, 0, 0};
    const float den = static_cast<float>(sumA);
    auto channel = [&](uint8_t RGBA::*c) {
        const int num = p[0].a * (p[0].*c) + p[1].a * (p[1].*c) + p[2].a * (p[2].*c) + p[3].a * (p[3].*c);
        return clampByte(static_cast<int>(std::floor(static_cast<float>(num) / den + 0.5f)));
    };
    return {channel(&RGBA::r), channel(&RGBA::g), channel(&RGBA::b), clampByte((sumA + 2) >> 2)};
}

RGBA premulPixel(const RGBA* s0, const RGBA* s1, int x)
{
    const RGBA p[4] = {s0[2 * x], s0[2 * x + 1], s1[2 * x], s1[2 * x + 1]};
    auto channel = [&](uint8_t RGBA::*c) {
        const int num = p[0].a * (p[0].*c) + p[1].a * (p[1].*c) + p[2].a * (p[2].*c) + p[3].a * (p[3].*c);
        return clampByte((num + 512) >> 10);
    };
    return {channel(&RGBA::r), channel(&RGBA::g), channel(&RGBA::b), channel(&RGBA::a)};
}

RGBA cubicPixel(const RGBA* const rows[4], int x, int width)
{
    static constexpr int w[4] = {1, 3, 3, 1};
    const CubicTaps t = cubicTaps(x, width);
    uint8_t out[4];
    for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int j = 0; j < 4; ++j) {
            const uint8_t* s = &rows[j][0].r;
            sum += w[j] * (s[4 * t.i0 + c] + 3 * s[4 * t.i1 + c] + 3 * s[4 * t.i2 + c] + s[4 * t.i3 + c]);
        }
        out[c] = clampByte((sum + 32) >> 6);
    }
    return {out[0], out[1], out[2], out[3]};
}

inline __m128i load4(const RGBA* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline __m128i load2(const RGBA* p)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

inline void store2(RGBA* p, __m128i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

// Per channel: sum over the four pixels of (alpha * channel), as 32-bit lanes
// r, g, b, a for destination pixels 2k and 2k + 1 of a 2 x 4 source block.
// With alphaSquared false the alpha lane holds the plain alpha sum instead.
struct WeightedSums {
    __m128i first, second;
};

inline WeightedSums alphaWeightedSums(__m128i row0, __m128i row1, bool alphaSquared)
{
    const __m128i zero = _mm_setzero_si128();
    auto products = [&](__m128i px16) { // 2 pixels widened to 16 bits
        __m128i alpha = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
        alpha = _mm_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
        if (!alphaSquared) // alpha lane multiplied by 1 keeps the plain alpha
            alpha = _mm_or_si128(_mm_and_si128(alpha, _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1)),
                                 _mm_set_epi16(1, 0, 0, 0, 1, 0, 0, 0));
        const __m128i prod = _mm_mullo_epi16(px16, alpha); // <= 65025: exact as unsigned 16-bit
        return _mm_add_epi32(_mm_unpacklo_epi16(prod, zero), _mm_unpackhi_epi16(prod, zero));
    };
    return {_mm_add_epi32(products(_mm_unpacklo_epi8(row0, zero)), products(_mm_unpacklo_epi8(row1, zero))),
            _mm_add_epi32(products(_mm_unpackhi_epi8(row0, zero)), products(_mm_unpackhi_epi8(row1, zero)))};
}

} // namespace

void generateLevelBoxRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest)
{
    const box2i r = writableRect(rectOnDest, dest.width, dest.height, source.width, source.height);
    if (r.empty())
        return;
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    for (int y = r.min.y; y < r.max.y; ++y) {
        const RGBA* s0 = row(source, 2 * y);
        const RGBA* s1 = row(source, 2 * y + 1);
        RGBA* d = dest.scanline(y);
        int x = r.min.x;
        for (; x + 2 <= r.max.x; x += 2) {
            const __m128i a = load4(s0 + 2 * x), b = load4(s1 + 2 * x);
            const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
            const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
            // Pair up horizontal neighbours: [p0 + p1 | p2 + p3] per channel.
            __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
            sum = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
            store2(d + x, _mm_packus_epi16(sum, sum));
        }
        for (; x < r.max.x; ++x)
            d[x] = boxPixel(s0, s1, x);
    }
}

void generateLevelBoxL16(ImageRef<L16> dest, ImageRef<L16> source, box2i rectOnDest)
{
    const box2i r = writableRect(rectOnDest, dest.width, dest.height, source.width, source.height);
    if (r.empty())
        return;
    for (int y = r.min.y; y < r.max.y; ++y) {
        const L16* s0 = row(source, 2 * y);
        const L16* s1 = row(source, 2 * y + 1);
        L16* d = dest.scanline(y);
        for (int x = r.min.x; x < r.max.x; ++x) {
            const int sum = s0[2 * x].l + s0[2 * x + 1].l + s1[2 * x].l + s1[2 * x + 1].l;
            d[x].l = static_cast<uint16_t>((sum + 2) >> 2);
        }
    }
}

void generateLevelBoxAlphaCovRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest)
{
    const box2i r = writableRect(rectOnDest, dest.width, dest.height, source.width, source.height);
    if (r.empty())
        return;
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi32(2);
    const __m128 half = _mm_set1_ps(0.5f);
    for (int y = r.min.y; y < r.max.y; ++y) {
        const RGBA* s0 = row(source, 2 * y);
        const RGBA* s1 = row(source, 2 * y + 1);
        RGBA* d = dest.scanline(y);
        int x = r.min.x;
        for (; x + 2 <= r.max.x; x += 2) {
            const WeightedSums sums = alphaWeightedSums(load4(s0 + 2 * x), load4(s1 + 2 * x), false);
            auto pixel = [&](__m128i s) {
                const __m128i sumA = _mm_shuffle_epi32(s, _MM_SHUFFLE(3, 3, 3, 3));
                // Never divide by zero (a host may have unmasked the trap);
                // transparent blocks are zeroed below instead.
                const __m128i transparent = _mm_cmpeq_epi32(sumA, zero);
                const __m128 den = _mm_cvtepi32_ps(_mm_or_si128(sumA, _mm_and_si128(transparent, _mm_set1_epi32(1))));
                // floor(q + 0.5) equals truncation: every quotient is non-negative.
                __m128i c = _mm_cvttps_epi32(_mm_add_ps(_mm_div_ps(_mm_cvtepi32_ps(s), den), half));
                const __m128i alpha = _mm_srli_epi32(_mm_add_epi32(sumA, two), 2);
                c = _mm_or_si128(_mm_and_si128(_mm_set_epi32(0, -1, -1, -1), c),
                                 _mm_and_si128(_mm_set_epi32(-1, 0, 0, 0), alpha));
                return _mm_andnot_si128(transparent, c);
            };
            const __m128i words = _mm_packs_epi32(pixel(sums.first), pixel(sums.second));
            store2(d + x, _mm_packus_epi16(words, words));
        }
        for (; x < r.max.x; ++x)
            d[x] = boxAlphaCovPixel(s0, s1, x);
    }
}

void generateLevelBoxAlphaCovIntoPremulRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest)
{
    const box2i r = writableRect(rectOnDest, dest.width, dest.height, source.width, source.height);
    if (r.empty())
        return;
    const __m128i round = _mm_set1_epi32(512);
    for (int y = r.min.y; y < r.max.y; ++y) {
        const RGBA* s0 = row(source, 2 * y);
        const RGBA* s1 = row(source, 2 * y + 1);
        RGBA* d = dest.scanline(y);
        int x = r.min.x;
        for (; x + 2 <= r.max.x; x += 2) {
            const WeightedSums sums = alphaWeightedSums(load4(s0 + 2 * x), load4(s1 + 2 * x), true);
            const __m128i first = _mm_srli_epi32(_mm_add_epi32(sums.first, round), 10);
            const __m128i second = _mm_srli_epi32(_mm_add_epi32(sums.second, round), 10);
            const __m128i words = _mm_packs_epi32(first, second);
            store2(d + x, _mm_packus_epi16(words, words));
        }
        for (; x < r.max.x; ++x)
            d[x] = premulPixel(s0, s1, x);
    }
}

void generateLevelCubicRGBA(ImageRef<RGBA> dest, ImageRef<RGBA> source, box2i rectOnDest)
{
    const box2i r = writableRect(rectOnDest, dest.width, dest.height, source.width, source.height);
    if (r.empty())
        return;
    const int sw = source.width;
    // Pairs (x, x + 1) whose taps 2x - 1 .. 2x + 4 need no clamping.
    const int innerBegin = std::max(r.min.x, 1);
    const __m128i zero = _mm_setzero_si128(), three = _mm_set1_epi16(3), bias = _mm_set1_epi16(32);
    for (int y = r.min.y; y < r.max.y; ++y) {
        const CubicTaps ty = cubicTaps(y, source.height);
        const RGBA* rows[4] = {row(source, ty.i0), row(source, ty.i1), row(source, ty.i2), row(source, ty.i3)};
        RGBA* d = dest.scanline(y);
        int x = r.min.x;
        for (; x < innerBegin; ++x)
            d[x] = cubicPixel(rows, x, sw);
        for (; x + 2 <= r.max.x && 2 * x + 4 <= sw - 1; x += 2) {
            // Column sums (1, 3, 3, 1) down the four rows, 16 bits per channel,
            // for source columns 2x - 1 .. 2x + 4 (A: -1, 0; B: 1, 2; C: 3, 4).
            __m128i a = zero, b = zero, c = zero;
            for (int j = 0; j < 4; ++j) {
                const __m128i px = load4(rows[j] + 2 * x - 1);
                __m128i ra = _mm_unpacklo_epi8(px, zero), rb = _mm_unpackhi_epi8(px, zero);
                __m128i rc = _mm_unpacklo_epi8(load2(rows[j] + 2 * x + 3), zero);
                if (j == 1 || j == 2) {
                    ra = _mm_mullo_epi16(ra, three);
                    rb = _mm_mullo_epi16(rb, three);
                    rc = _mm_mullo_epi16(rc, three);
                }
                a = _mm_add_epi16(a, ra);
                b = _mm_add_epi16(b, rb);
                c = _mm_add_epi16(c, rc);
            }
            // Destination x takes columns (-1, 0, 1, 2), x + 1 takes (1, 2, 3, 4).
            const __m128i outer0 = _mm_unpacklo_epi64(a, b), inner0 = _mm_unpackhi_epi64(a, b);
            const __m128i inner1 = _mm_unpacklo_epi64(b, c), outer1 = _mm_unpackhi_epi64(b, c);
            __m128i sum = _mm_add_epi16(_mm_add_epi16(outer0, outer1),
                                        _mm_mullo_epi16(_mm_add_epi16(inner0, inner1), three));
            sum = _mm_srli_epi16(_mm_add_epi16(sum, bias), 6); // at most 64 * 255 + 32: no overflow
            store2(d + x, _mm_packus_epi16(sum, sum));
        }
        for (; x < r.max.x; ++x)
            d[x] = cubicPixel(rows, x, sw);
    }
}

void generateLevelCubicL16(ImageRef<L16> dest, ImageRef<L16> source, box2i rectOnDest)
{
    const box2i r = writableRect(rectOnDest, dest.width, dest.height, source.width, source.height);
    if (r.empty())
        return;
    for (int y = r.min.y; y < r.max.y; ++y) {
        const CubicTaps ty = cubicTaps(y, source.height);
        const L16* rows[4] = {row(source, ty.i0), row(source, ty.i1), row(source, ty.i2), row(source, ty.i3)};
        L16* d = dest.scanline(y);
        for (int x = r.min.x; x < r.max.x; ++x) {
            const CubicTaps tx = cubicTaps(x, source.width);
            int sum = 0;
            static constexpr int w[4] = {1, 3, 3, 1};
            for (int j = 0; j < 4; ++j) {
                const L16* s = rows[j];
                sum += w[j] * (s[tx.i0].l + 3 * s[tx.i1].l + 3 * s[tx.i2].l + s[tx.i3].l);
            }
            d[x].l = static_cast<uint16_t>((sum + 32) >> 6);
        }
    }
}

template <typename T>
Mipmap<T>::Levels::~Levels()
{
    for (OwnedImage<T>* level : list_)
        delete level;
}

template <typename T>
void Mipmap<T>::size(int maxLevel, int width, int height)
{
    int n = 0;
    for (int k = 0; k <= maxLevel && k < 31; ++k) {
        if ((width >> k) > 0 && (height >> k) > 0)
            n = k + 1;
    }
    while (levels.list_.length() < n)
        levels.list_.pushBack(new OwnedImage<T>());
    for (int k = 0; k < levels.list_.length(); ++k) {
        const int w = k < 31 ? std::max(width >> k, 0) : 0;
        const int h = k < 31 ? std::max(height >> k, 0) : 0;
        levels.list_[k]->size(k < n ? w : 0, k < n ? h : 0);
    }
}

template <typename T>
box2i Mipmap<T>::impactOnNextLevel(Quality quality, box2i r, int previousWidth, int previousHeight)
{
    box2i n;
    if (quality == Quality::cubic)
        n = {{(r.min.x - 1) / 2, (r.min.y - 1) / 2}, {(r.max.x + 2) / 2, (r.max.y + 2) / 2}};
    else
        n = {{r.min.x / 2, r.min.y / 2}, {(r.max.x + 1) / 2, (r.max.y + 1) / 2}};
    if (n.empty())
        return n;
    n = n.intersection({{0, 0}, {previousWidth / 2, previousHeight / 2}});
    n.max.x = std::max(n.max.x, n.min.x);
    n.max.y = std::max(n.max.y, n.min.y);
    return n;
}

template <typename T>
box2i Mipmap<T>::generateNextLevel(Quality quality, box2i updatedRectOnPreviousLevel, int level)
{
    if (level < 1 || level >= numLevels())
        return {};
    OwnedImage<T>& previous = levels[level - 1];
    OwnedImage<T>& current = levels[level];
    const box2i r = impactOnNextLevel(quality, updatedRectOnPreviousLevel, previous.width(), previous.height());
    if constexpr (std::is_same_v<T, RGBA>) {
        switch (quality) {
        case Quality::box:
            generateLevelBoxRGBA(current.toRef(), previous.toRef(), r);
            return r;
        case Quality::cubic:
            generateLevelCubicRGBA(current.toRef(), previous.toRef(), r);
            return r;
        case Quality::boxAlphaCov:
            generateLevelBoxAlphaCovRGBA(current.toRef(), previous.toRef(), r);
            return r;
        case Quality::boxAlphaCovIntoPremul:
            generateLevelBoxAlphaCovIntoPremulRGBA(current.toRef(), previous.toRef(), r);
            return r;
        }
    } else {
        switch (quality) {
        case Quality::box:
            generateLevelBoxL16(current.toRef(), previous.toRef(), r);
            return r;
        case Quality::cubic:
            generateLevelCubicL16(current.toRef(), previous.toRef(), r);
            return r;
        case Quality::boxAlphaCov:
        case Quality::boxAlphaCovIntoPremul:
            break;
        }
    }
    return {};
}

template class Mipmap<RGBA>;
template class Mipmap<L16>;

} // namespace vf
