// Build-time painter of the editor's artwork: the panel, the two knob filmstrips and
// the two switch states.  Everything is drawn from signed distances, so edges get
// exact analytic anti-aliasing without supersampling, and the result is the same
// on every machine (no random source other than a fixed LCG).
//
// Usage: vf_artwork <TrueType font> <output folder>

#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr float kPi = 3.14159265358979f;

struct Col {
    float r, g, b;
};

Col rgb(int r, int g, int b) { return {r / 255.f, g / 255.f, b / 255.f}; }
Col mix(Col a, Col b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Col scale(Col a, float k) { return {a.r * k, a.g * k, a.b * k}; }
float clamp01(float x) { return std::min(1.f, std::max(0.f, x)); }
float smooth(float e0, float e1, float x)
{
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
// Coverage of a pixel by a shape whose signed distance at the pixel centre is d.
float cover(float d) { return clamp01(0.5f - d); }

// Signed distances (negative inside).
float sdCircle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }
float sdRoundBox(float x, float y, float x0, float y0, float x1, float y1, float rad)
{
    float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    float hx = (x1 - x0) * 0.5f - rad, hy = (y1 - y0) * 0.5f - rad;
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    float outside = std::hypot(std::max(qx, 0.f), std::max(qy, 0.f));
    return outside + std::min(std::max(qx, qy), 0.f) - rad;
}
float sdSegment(float x, float y, float ax, float ay, float bx, float by, float halfWidth)
{
    float px = x - ax, py = y - ay, vx = bx - ax, vy = by - ay;
    float h = clamp01((px * vx + py * vy) / (vx * vx + vy * vy));
    return std::hypot(px - vx * h, py - vy * h) - halfWidth;
}
// Ring sector with round caps; angles in radians clockwise from 12 o'clock.
float sdArc(float x, float y, float cx, float cy, float radius, float halfWidth, float a0, float a1)
{
    float dx = x - cx, dy = y - cy;
    float a = std::atan2(dx, -dy);
    if (a >= a0 && a <= a1)
        return std::fabs(std::hypot(dx, dy) - radius) - halfWidth;
    auto capDist = [&](float ang) {
        return std::hypot(x - (cx + radius * std::sin(ang)), y - (cy - radius * std::cos(ang)));
    };
    return std::min(capDist(a0), capDist(a1)) - halfWidth;
}

// Premultiplied float RGBA canvas.
struct Layer {
    int w = 0, h = 0;
    std::vector<float> px; // r, g, b, a premultiplied

    Layer(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height * 4, 0.f) {}

    float* at(int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * 4]; }

    void blend(int x, int y, Col c, float alpha)
    {
        if (x < 0 || y < 0 || x >= w || y >= h || alpha <= 0.f)
            return;
        alpha = std::min(alpha, 1.f);
        float* p = at(x, y);
        float k = 1.f - alpha;
        p[0] = c.r * alpha + p[0] * k;
        p[1] = c.g * alpha + p[1] * k;
        p[2] = c.b * alpha + p[2] * k;
        p[3] = alpha + p[3] * k;
    }

    // Paints fn(x, y) -> (colour, alpha) for pixel centres inside the box.
    template <typename Fn>
    void shade(int x0, int y0, int x1, int y1, Fn fn)
    {
        x0 = std::max(x0, 0);
        y0 = std::max(y0, 0);
        x1 = std::min(x1, w);
        y1 = std::min(y1, h);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                float a = 0.f;
                Col c = fn(x + 0.5f, y + 0.5f, a);
                blend(x, y, c, a);
            }
    }

    void over(const Layer& src, float opacity = 1.f)
    {
        for (size_t i = 0; i < px.size(); i += 4) {
            float a = src.px[i + 3] * opacity;
            float k = 1.f - a;
            for (int c = 0; c < 3; ++c)
                px[i + c] = src.px[i + c] * opacity + px[i + c] * k;
            px[i + 3] = a + px[i + 3] * k;
        }
    }

    bool save(const std::string& path) const
    {
        std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
        for (size_t i = 0; i < out.size(); i += 4) {
            float a = px[i + 3];
            for (int c = 0; c < 3; ++c) {
                float v = a > 0.f ? px[i + c] / a : 0.f;
                out[i + c] = static_cast<uint8_t>(std::lround(clamp01(v) * 255.f));
            }
            out[i + 3] = static_cast<uint8_t>(std::lround(clamp01(a) * 255.f));
        }
        return stbi_write_png(path.c_str(), w, h, 4, out.data(), w * 4) != 0;
    }
};

// Single-channel coverage mask, used for soft shadows and glows.
struct Mask {
    int w, h;
    std::vector<float> v;
    Mask(int width, int height) : w(width), h(height), v(static_cast<size_t>(width) * height, 0.f) {}
    float& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }

    template <typename Fn>
    void fill(Fn sd)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = std::max(at(x, y), cover(sd(x + 0.5f, y + 0.5f)));
    }

    // Three box passes approximate a gaussian of the given radius.
    void blur(int radius)
    {
        std::vector<float> tmp(v.size());
        for (int pass = 0; pass < 3; ++pass) {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    float s = 0;
                    for (int k = -radius; k <= radius; ++k)
                        s += v[static_cast<size_t>(y) * w + std::clamp(x + k, 0, w - 1)] * (x + k >= 0 && x + k < w);
                    tmp[static_cast<size_t>(y) * w + x] = s / (2 * radius + 1);
                }
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    float s = 0;
                    for (int k = -radius; k <= radius; ++k)
                        s += tmp[static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x] * (y + k >= 0 && y + k < h);
                    v[static_cast<size_t>(y) * w + x] = s / (2 * radius + 1);
                }
        }
    }

    void paintInto(Layer& dst, Col c, float opacity, int ox = 0, int oy = 0) const
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                dst.blend(x + ox, y + oy, c, v[static_cast<size_t>(y) * w + x] * opacity);
    }
};

struct Noise {
    uint32_t state = 0x2545F491u;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.f; // [0, 1)
    }
};

// Letter-spaced caption text through stb_truetype, rendered as a coverage mask.
class Typesetter {
public:
    explicit Typesetter(const std::vector<unsigned char>& ttf)
    {
        ok_ = stbtt_InitFont(&font_, ttf.data(), stbtt_GetFontOffsetForIndex(ttf.data(), 0)) != 0;
    }
    bool ok() const { return ok_; }

    // Returns the text width at that size and spacing.
    float measure(const char* text, float size, float spacing) const
    {
        float sc = stbtt_ScaleForPixelHeight(&font_, size);
        float x = 0;
        for (const char* p = text; *p; ++p) {
            int adv, lsb;
            stbtt_GetCodepointHMetrics(&font_, *p, &adv, &lsb);
            x += adv * sc;
            if (p[1])
                x += spacing + sc * stbtt_GetCodepointKernAdvance(&font_, p[0], p[1]);
        }
        return x;
    }

    // Draws text centred horizontally on cx with its cap height centred on cy.
    void draw(Layer& dst, const char* text, float cx, float cy, float size, float spacing, Col c, float opacity,
              int dx = 0, int dy = 0) const
    {
        Mask m(dst.w, dst.h);
        render(m, text, cx, cy, size, spacing);
        m.paintInto(dst, c, opacity, dx, dy);
    }

    void render(Mask& m, const char* text, float cx, float cy, float size, float spacing) const
    {
        float sc = stbtt_ScaleForPixelHeight(&font_, size);
        int x0, y0, x1, y1;
        stbtt_GetCodepointBox(&font_, 'H', &x0, &y0, &x1, &y1);
        float capHeight = y1 * sc;
        float baseline = cy + capHeight * 0.5f;
        float x = cx - measure(text, size, spacing) * 0.5f;
        for (const char* p = text; *p; ++p) {
            int adv, lsb;
            stbtt_GetCodepointHMetrics(&font_, *p, &adv, &lsb);
            float fx = std::floor(x), fy = std::floor(baseline);
            int bw = 0, bh = 0, bx = 0, by = 0;
            unsigned char* bmp = stbtt_GetCodepointBitmapSubpixel(&font_, sc, sc, x - fx, baseline - fy, *p, &bw,
                                                                   &bh, &bx, &by);
            for (int j = 0; j < bh; ++j)
                for (int i = 0; i < bw; ++i) {
                    int px = static_cast<int>(fx) + bx + i, py = static_cast<int>(fy) + by + j;
                    if (px >= 0 && py >= 0 && px < m.w && py < m.h)
                        m.at(px, py) = std::max(m.at(px, py), bmp[j * bw + i] / 255.f);
                }
            stbtt_FreeBitmap(bmp, nullptr);
            x += adv * sc;
            if (p[1])
                x += spacing + sc * stbtt_GetCodepointKernAdvance(&font_, p[0], p[1]);
        }
    }

private:
    stbtt_fontinfo font_{};
    bool ok_ = false;
};

// Palette: a dark blue-grey panel that suits the value text colour (155, 180, 198).
const Col kPanelTop = rgb(47, 53, 62);
const Col kPanelBottom = rgb(30, 34, 41);
const Col kInset = rgb(24, 27, 33);
const Col kEngrave = rgb(196, 208, 219);
const Col kShadow = rgb(0, 0, 0);
const Col kAmber = rgb(255, 168, 64);
const Col kIce = rgb(110, 196, 255);

constexpr float kSweepStart = -135.f * kPi / 180.f;
constexpr float kSweep = 270.f * kPi / 180.f;

// A recessed rounded panel: darker fill, inner shadow at the top, light lip at the bottom.
void insetPanel(Layer& l, float x0, float y0, float x1, float y1, float rad)
{
    l.shade(static_cast<int>(x0) - 2, static_cast<int>(y0) - 2, static_cast<int>(x1) + 3, static_cast<int>(y1) + 3,
            [&](float x, float y, float& a) {
                float d = sdRoundBox(x, y, x0, y0, x1, y1, rad);
                float lip = sdRoundBox(x, y - 1.f, x0, y0, x1, y1, rad);
                // bottom lip highlight shows just outside the lower edge
                if (d > 0.f) {
                    a = cover(lip) * 0.10f * smooth(y0, y1, y);
                    return rgb(255, 255, 255);
                }
                float t = (y - y0) / (y1 - y0);
                a = cover(d) * 0.55f;
                return mix(kInset, scale(kInset, 1.25f), t);
            });
    // inner shadow: strongest along the top edge
    Mask inner(l.w, l.h);
    inner.fill([&](float x, float y) { return -sdRoundBox(x, y - 3.f, x0, y0, x1, y1, rad); });
    inner.blur(3);
    for (int y = 0; y < l.h; ++y)
        for (int x = 0; x < l.w; ++x) {
            float inside = cover(sdRoundBox(x + 0.5f, y + 0.5f, x0, y0, x1, y1, rad));
            l.blend(x, y, kShadow, inner.at(x, y) * inside * 0.55f);
        }
}

void engravedText(Layer& l, const Typesetter& ts, const char* text, float cx, float cy, float size, float spacing,
                  Col c = kEngrave, float opacity = 0.92f)
{
    ts.draw(l, text, cx, cy, size, spacing, kShadow, 0.75f, 0, 1);
    ts.draw(l, text, cx, cy, size, spacing, c, opacity);
}

// Scale markings around a knob: 11 ticks over the 270 degree sweep, ends and centre longer.
void dialMarkings(Layer& l, float cx, float cy, Col accent)
{
    for (int i = 0; i <= 10; ++i) {
        float ang = kSweepStart + kSweep * i / 10.f;
        bool major = i == 0 || i == 5 || i == 10;
        float r0 = major ? 41.5f : 42.5f, r1 = major ? 47.5f : 45.5f;
        float s = std::sin(ang), c = -std::cos(ang);
        float ax = cx + r0 * s, ay = cy + r0 * c, bx = cx + r1 * s, by = cy + r1 * c;
        float hw = major ? 0.95f : 0.7f;
        l.shade(static_cast<int>(cx - 50), static_cast<int>(cy - 50), static_cast<int>(cx + 51),
                static_cast<int>(cy + 51), [&](float x, float y, float& a) {
                    a = cover(sdSegment(x, y - 1.f, ax, ay, bx, by, hw)) * 0.6f;
                    return kShadow;
                });
        l.shade(static_cast<int>(cx - 50), static_cast<int>(cy - 50), static_cast<int>(cx + 51),
                static_cast<int>(cy + 51), [&](float x, float y, float& a) {
                    a = cover(sdSegment(x, y, ax, ay, bx, by, hw)) * (major ? 0.85f : 0.55f);
                    return major ? mix(kEngrave, accent, 0.25f) : kEngrave;
                });
    }
}

// A dark socket under each knob, so that the knob sits in the panel rather than on it.
void knobWell(Layer& l, float cx, float cy)
{
    Mask m(l.w, l.h);
    m.fill([&](float x, float y) { return sdCircle(x, y, cx, cy + 2.f, 36.f); });
    m.blur(2);
    m.paintInto(l, kShadow, 0.45f);
    l.shade(static_cast<int>(cx - 40), static_cast<int>(cy - 40), static_cast<int>(cx + 41), static_cast<int>(cy + 41),
            [&](float x, float y, float& a) {
                float d = sdCircle(x, y, cx, cy, 36.5f);
                a = cover(std::fabs(d + 0.5f) - 0.5f) * 0.10f * clamp01((y - cy) / 36.f + 0.3f);
                return rgb(255, 255, 255);
            });
}

void switchSocket(Layer& l, float x0, float y0, float x1, float y1)
{
    Mask m(l.w, l.h);
    m.fill([&](float x, float y) { return sdRoundBox(x, y, x0 - 3, y0 - 2, x1 + 3, y1 + 3, 11.f); });
    m.blur(2);
    m.paintInto(l, kShadow, 0.5f);
    l.shade(static_cast<int>(x0) - 6, static_cast<int>(y0) - 6, static_cast<int>(x1) + 7, static_cast<int>(y1) + 7,
            [&](float x, float y, float& a) {
                float d = sdRoundBox(x, y, x0 - 3.5f, y0 - 3.5f, x1 + 3.5f, y1 + 3.5f, 12.f);
                a = cover(std::fabs(d) - 0.5f) * (y > (y0 + y1) * 0.5f ? 0.12f : 0.05f);
                return rgb(255, 255, 255);
            });
}

void screw(Layer& l, float cx, float cy, float slot)
{
    Mask m(l.w, l.h);
    m.fill([&](float x, float y) { return sdCircle(x, y, cx, cy + 1.2f, 5.f); });
    m.blur(1);
    m.paintInto(l, kShadow, 0.6f);
    l.shade(static_cast<int>(cx - 7), static_cast<int>(cy - 7), static_cast<int>(cx + 8), static_cast<int>(cy + 8),
            [&](float x, float y, float& a) {
                float d = sdCircle(x, y, cx, cy, 5.f);
                a = cover(d);
                float t = clamp01(0.5f - (y - cy) / 10.f - (x - cx) / 20.f);
                Col c = mix(rgb(58, 63, 71), rgb(150, 158, 168), t);
                float s = std::sin(slot), co = std::cos(slot);
                float ds = sdSegment(x, y, cx - 3.6f * co, cy - 3.6f * s, cx + 3.6f * co, cy + 3.6f * s, 0.75f);
                return mix(c, rgb(22, 24, 28), cover(ds) * 0.9f);
            });
}

Layer makeBackground(const Typesetter& ts)
{
    const int W = 365, H = 650;
    Layer l(W, H);
    Noise noise;
    // Brushed surface: a vertical gradient with fine horizontal streaks and a soft vignette.
    std::vector<float> streak(H);
    for (auto& s : streak)
        s = (noise.next() - 0.5f) * 0.018f;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float t = (y + 0.5f) / H;
            Col c = mix(kPanelTop, kPanelBottom, t);
            float dx = (x + 0.5f - W * 0.5f) / W, dy = (y + 0.5f - H * 0.35f) / H;
            float v = 1.f + 0.10f - 0.55f * (dx * dx + dy * dy);
            float grain = streak[y] + (noise.next() - 0.5f) * 0.012f;
            c = scale(c, v);
            c = {c.r + grain, c.g + grain, c.b + grain};
            l.blend(x, y, c, 1.f);
        }
    // Bevelled outer edge.
    l.shade(0, 0, W, H, [&](float x, float y, float& a) {
        float d = -sdRoundBox(x, y, 0, 0, W, H, 0.f);
        if (d < 1.f) {
            a = 0.9f;
            return rgb(8, 9, 11);
        }
        if (d < 2.f) {
            // lit from above: the top lip catches light, the other sides fall off
            bool top = y < 2.f;
            a = top ? 0.16f : 0.25f;
            return top ? rgb(255, 255, 255) : rgb(0, 0, 0);
        }
        a = 0.f;
        return kShadow;
    });

    // Two recessed fields: the tube section on top and the gain section below.
    insetPanel(l, 16, 16, 349, 210, 10);
    insetPanel(l, 16, 366, 349, 584, 10);

    // Knob sockets and scale markings.
    const float topY = 151, bottomY = 498;
    for (float cx : {113.f, 263.f}) {
        knobWell(l, cx, topY);
        dialMarkings(l, cx, topY, kAmber);
    }
    for (float cx : {113.f, 265.f}) {
        knobWell(l, cx, bottomY);
        dialMarkings(l, cx, bottomY, kIce);
    }
    // Range hints at the ends of the sweeps.
    auto endLabels = [&](float cx, float cy, const char* lo, const char* hi) {
        float r = 50.f;
        float s = std::sin(kSweepStart), c = -std::cos(kSweepStart);
        ts.draw(l, lo, cx + r * s - 3.f, cy + r * c + 5.f, 7.5f, 0.6f, kEngrave, 0.55f);
        ts.draw(l, hi, cx - r * s + 3.f, cy + r * c + 5.f, 7.5f, 0.6f, kEngrave, 0.55f);
    };
    endLabels(113, topY, "0", "100");
    endLabels(263, topY, "0", "100");
    endLabels(113, bottomY, "-inf", "0");
    endLabels(265, bottomY, "-inf", "+6");

    // Captions: the tube controls above their values, the gains below their knobs.
    engravedText(l, ts, "PRESENCE", 113, 33, 12.f, 2.2f);
    engravedText(l, ts, "LO-AIR", 263, 33, 12.f, 2.2f);
    engravedText(l, ts, "INPUT", 113, 565, 12.f, 2.2f);
    engravedText(l, ts, "OUTPUT", 265, 565, 12.f, 2.2f);

    // Switch row.
    engravedText(l, ts, "EDGE", 112.5f, 262, 10.5f, 2.f);
    engravedText(l, ts, "BRILLIANCE", 259.5f, 262, 10.5f, 2.f);
    switchSocket(l, 80, 279, 145, 309);
    switchSocket(l, 227, 279, 292, 309);

    // Name plate between the sections.
    engravedText(l, ts, "VELMORIN", 182.5f, 335, 17.f, 5.f, rgb(214, 224, 233), 0.95f);
    l.shade(40, 350, 326, 353, [&](float x, float y, float& a) {
        float fade = 1.f - std::fabs(x - 182.5f) / 143.f;
        a = cover(std::fabs(y - 351.5f) - 0.5f) * 0.5f * fade;
        return kAmber;
    });
    // Maker's mark at the bottom, clear of the resize grip.
    engravedText(l, ts, "DREVKIN", 182.5f, 612, 10.f, 4.f, kEngrave, 0.7f);
    engravedText(l, ts, "TWO-BAND TUBE SATURATOR", 182.5f, 628, 7.f, 1.6f, kEngrave, 0.45f);

    screw(l, 8.5f, 8.5f, 0.6f);
    screw(l, W - 8.5f, 8.5f, 2.1f);
    screw(l, 8.5f, H - 8.5f, 1.2f);
    return l;
}

// One frame of a knob.  rot is the pointer angle (radians clockwise from 12 o'clock),
// fill the normalised position for the lit arc.
void paintKnob(Layer& l, float rot, float fill, Col accent, Col capTint)
{
    const float cx = 40.f, cy = 40.f;
    const float skirtR = 27.5f, capR = 20.5f;

    // Soft drop shadow below the knob.
    Mask shadow(l.w, l.h);
    shadow.fill([&](float x, float y) { return sdCircle(x, y, cx, cy + 3.f, skirtR); });
    shadow.blur(2);
    shadow.paintInto(l, kShadow, 0.7f);

    // Value track and lit arc.
    float a0 = kSweepStart, a1 = kSweepStart + kSweep * fill;
    l.shade(0, 0, l.w, l.h, [&](float x, float y, float& a) {
        a = cover(sdArc(x, y, cx, cy, 34.f, 1.6f, kSweepStart, kSweepStart + kSweep)) * 0.85f;
        return rgb(12, 13, 16);
    });
    if (fill > 0.f) {
        Mask glow(l.w, l.h);
        glow.fill([&](float x, float y) { return sdArc(x, y, cx, cy, 34.f, 1.2f, a0, a1); });
        Mask core = glow;
        glow.blur(2);
        glow.paintInto(l, accent, 0.75f);
        core.paintInto(l, mix(accent, rgb(255, 255, 255), 0.25f), 1.f);
    }

    // Skirt: dark anodised metal with knurling that turns with the knob.
    l.shade(0, 0, l.w, l.h, [&](float x, float y, float& a) {
        float dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
        a = cover(r - skirtR);
        if (a <= 0.f)
            return kShadow;
        float ang = std::atan2(dx, -dy) - rot;
        float lightY = -dy / skirtR; // +1 top, -1 bottom
        Col base = mix(rgb(30, 33, 38), rgb(74, 79, 88), 0.5f + 0.5f * lightY);
        float knurl = 0.5f + 0.5f * std::cos(ang * 48.f);
        float edge = smooth(capR + 1.f, skirtR - 0.5f, r);
        base = scale(base, 1.f - 0.22f * knurl * edge);
        // Bright rim on the upper edge, dark on the lower.
        float rim = cover(std::fabs(r - (skirtR - 0.9f)) - 0.6f);
        base = mix(base, lightY > 0 ? rgb(150, 158, 170) : rgb(10, 11, 13), rim * std::fabs(lightY) * 0.7f);
        return base;
    });

    // Cap: brushed metal with a fixed conical sheen (the light does not turn with the knob).
    l.shade(0, 0, l.w, l.h, [&](float x, float y, float& a) {
        float dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
        a = cover(r - capR);
        float ang = std::atan2(dx, -dy);
        float sheen = 0.5f + 0.5f * std::cos(2.f * (ang + 0.45f));
        float grad = 0.5f - 0.5f * dy / capR;
        Col c = mix(scale(capTint, 0.55f), capTint, grad);
        c = mix(c, rgb(225, 230, 236), sheen * 0.35f);
        float ring = cover(std::fabs(r - (capR - 0.6f)) - 0.5f);
        c = mix(c, dy < 0 ? rgb(215, 222, 230) : rgb(20, 22, 26), ring * 0.6f);
        // the bevel between skirt and cap throws a thin shadow outward
        return c;
    });
    l.shade(0, 0, l.w, l.h, [&](float x, float y, float& a) {
        float r = std::hypot(x - cx, y - cy - 1.f);
        a = cover(std::fabs(r - capR - 0.8f) - 0.6f) * 0.5f * clamp01((y - cy) / capR + 0.4f);
        return kShadow;
    });

    // Pointer: a light line with a dark outline so it reads on any background and size,
    // continued as a notch on the skirt.
    float s = std::sin(rot), c = -std::cos(rot);
    float px0 = cx + 6.f * s, py0 = cy + 6.f * c, px1 = cx + (skirtR - 2.f) * s, py1 = cy + (skirtR - 2.f) * c;
    l.shade(0, 0, l.w, l.h, [&](float x, float y, float& a) {
        a = cover(sdSegment(x, y, px0, py0, px1, py1, 2.6f)) * 0.75f;
        return rgb(8, 9, 11);
    });
    l.shade(0, 0, l.w, l.h, [&](float x, float y, float& a) {
        a = cover(sdSegment(x, y, px0, py0, px1, py1, 1.5f));
        float t = clamp01((std::hypot(x - cx, y - cy) - 6.f) / (skirtR - 8.f));
        return mix(rgb(246, 248, 250), mix(rgb(246, 248, 250), accent, 0.55f), t);
    });
}

Layer makeFilmstrip(int frames, Col accent, Col capTint)
{
    Layer strip(80, 80 * frames);
    for (int i = 0; i < frames; ++i) {
        Layer frame(80, 80);
        float v = static_cast<float>(i) / (frames - 1);
        paintKnob(frame, kSweepStart + kSweep * v, v, accent, capTint);
        std::copy(frame.px.begin(), frame.px.end(), strip.px.begin() + static_cast<long>(i) * 80 * 80 * 4);
    }
    return strip;
}

// A slide switch: the thumb sits right and the track glows when on.
Layer makeSwitch(const Typesetter& ts, bool on)
{
    const int W = 65, H = 30;
    Layer l(W, H);
    const float x0 = 1.5f, y0 = 2.f, x1 = 63.5f, y1 = 28.f, rad = 9.f;
    l.shade(0, 0, W, H, [&](float x, float y, float& a) {
        a = cover(sdRoundBox(x, y, x0, y0, x1, y1, rad));
        float t = (y - y0) / (y1 - y0);
        return mix(rgb(10, 11, 14), rgb(26, 29, 35), t);
    });
    // Inner shadow of the track.
    l.shade(0, 0, W, H, [&](float x, float y, float& a) {
        float d = sdRoundBox(x, y, x0, y0, x1, y1, rad);
        float inner = -sdRoundBox(x, y - 2.f, x0, y0, x1, y1, rad);
        a = cover(d) * (1.f - smooth(0.f, 3.f, inner)) * 0.7f;
        return kShadow;
    });
    // Legend in the uncovered half of the track.
    if (on) {
        Mask glow(W, H);
        ts.render(glow, "ON", 17.f, 15.f, 11.f, 1.f);
        Mask core = glow;
        glow.blur(1);
        glow.paintInto(l, kAmber, 0.9f);
        core.paintInto(l, rgb(255, 214, 150), 1.f);
    } else {
        ts.draw(l, "OFF", 47.f, 15.f, 9.f, 0.8f, rgb(120, 130, 142), 0.75f);
    }
    // Thumb.
    const float tx0 = on ? 33.f : 4.f, tx1 = tx0 + 28.f, ty0 = 4.5f, ty1 = 25.5f;
    Mask sh(W, H);
    sh.fill([&](float x, float y) { return sdRoundBox(x, y, tx0, ty0 + 1.5f, tx1, ty1 + 1.5f, 7.f); });
    sh.blur(1);
    sh.paintInto(l, kShadow, 0.8f);
    l.shade(0, 0, W, H, [&](float x, float y, float& a) {
        float d = sdRoundBox(x, y, tx0, ty0, tx1, ty1, 7.f);
        a = cover(d);
        float t = (y - ty0) / (ty1 - ty0);
        Col c = mix(rgb(150, 158, 170), rgb(62, 67, 76), t);
        float rim = cover(std::fabs(d + 0.8f) - 0.5f);
        c = mix(c, t < 0.5f ? rgb(225, 230, 236) : rgb(30, 33, 38), rim * 0.5f);
        // three grip grooves
        float mid = (tx0 + tx1) * 0.5f;
        for (float gx : {mid - 5.f, mid, mid + 5.f}) {
            float g = cover(sdSegment(x, y, gx, 10.f, gx, 20.f, 0.6f));
            float hl = cover(sdSegment(x, y, gx + 1.f, 10.f, gx + 1.f, 20.f, 0.5f));
            c = mix(c, rgb(36, 39, 45), g * 0.8f);
            c = mix(c, rgb(200, 206, 214), hl * 0.35f);
        }
        return c;
    });
    return l;
}

bool readFile(const char* path, std::vector<unsigned char>& out)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return !out.empty();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <font.ttf> <output folder>\n", argv[0]);
        return 2;
    }
    std::vector<unsigned char> ttf;
    if (!readFile(argv[1], ttf)) {
        std::fprintf(stderr, "cannot read font %s\n", argv[1]);
        return 1;
    }
    Typesetter ts(ttf);
    if (!ts.ok()) {
        std::fprintf(stderr, "not a usable TrueType font: %s\n", argv[1]);
        return 1;
    }
    const std::string dir = argv[2];
    bool ok = makeBackground(ts).save(dir + "/velmorin-free.png");
    ok = ok && makeFilmstrip(101, kIce, rgb(118, 126, 138)).save(dir + "/knob-bottom.png");
    ok = ok && makeFilmstrip(101, kAmber, rgb(104, 108, 116)).save(dir + "/knob-top.png");
    ok = ok && makeSwitch(ts, true).save(dir + "/switch-on.png");
    ok = ok && makeSwitch(ts, false).save(dir + "/switch-off.png");
    if (!ok) {
        std::fprintf(stderr, "cannot write the images into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
