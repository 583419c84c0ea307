#include "gui/PBRPasses.hpp"

#include <algorithm>
#include <cmath>

namespace vf {

namespace {

// Level `wanted` capped at the last level that has pixels (level 0 at worst).
template <typename T>
int cappedLevel(const Mipmap<T>& map, int wanted)
{
    int k = std::min(wanted, map.numLevels() - 1);
    while (k > 0 && (map.level(k).width() <= 0 || map.level(k).height() <= 0))
        --k;
    return k;
}

// Where the centre of level-0 pixel i falls on a level `shift` times halved,
// clamped to that level's extent n: the two neighbours and the weight of the second.
struct AxisSpot {
    int i0, i1;
    float t;
};

AxisSpot axisSpot(int i, int shift, int n)
{
    const float scale = 1.0f / static_cast<float>(1 << shift);
    const float f = std::clamp((static_cast<float>(i) + 0.5f) * scale - 0.5f, 0.0f, static_cast<float>(n - 1));
    AxisSpot s;
    s.i0 = static_cast<int>(f);
    s.i1 = std::min(s.i0 + 1, n - 1);
    s.t = f - static_cast<float>(s.i0);
    return s;
}

// Light is added as a product with the diffuse colour: a pixel without colour
// gains exactly nothing, so the work is skipped (most of an editor that paints
// its lit layer sparsely).
inline bool noColour(const RGBA& c)
{
    return (c.r | c.g | c.b) == 0;
}

// Columns are handled in chunks so that their sample spots can be computed once
// per chunk instead of once per pixel.
constexpr int columnChunk = 64;

float bilinear(float a, float b, float c, float d, float tx, float ty)
{
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

} // namespace

void PassComputeNormal::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    const OwnedImage<L16>& depth = buffers->depthMap->level(0);
    OwnedImage<RGBf>& normals = buffers->normalBuffers[threadIndex];
    OwnedImage<Lf>& scalars = buffers->scalarBuffers[threadIndex];
    const float depthScale = 0.00021482276f; // 1 / 4655
    const float corner = 0.03660695f;
    const float edge = 0.11811553f;
    // Slope of the smoothed depth: the kernel's rows (columns) weigh the central
    // differences; the result is in normal units.
    const float slopeScale = depthScale / (2 * corner + edge) * 0.5f;
    const int w = depth.width();
    const int h = depth.height();
    // Edge pixels read into the one-pixel border; a map without one is clamped.
    const bool hasBorder = depth.border() > 0;
    for (int y = area.min.y; y < area.max.y; ++y) {
        const L16* rows[3];
        for (int j = 0; j < 3; ++j)
            rows[j] = depth.scanline(hasBorder ? y - 1 + j : std::clamp(y - 1 + j, 0, h - 1));
        RGBf* n = normals.scanline(y - area.min.y);
        Lf* s = scalars.scanline(y - area.min.y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            const int xl = hasBorder ? x - 1 : std::max(x - 1, 0);
            const int xr = hasBorder ? x + 1 : std::min(x + 1, w - 1);
            float d[3][3];
            for (int j = 0; j < 3; ++j) {
                d[j][0] = rows[j][xl].l;
                d[j][1] = rows[j][x].l;
                d[j][2] = rows[j][xr].l;
            }
            const float gx =
                (corner * (d[0][2] - d[0][0]) + edge * (d[1][2] - d[1][0]) + corner * (d[2][2] - d[2][0])) * slopeScale;
            const float gy =
                (corner * (d[2][0] - d[0][0]) + edge * (d[2][1] - d[0][1]) + corner * (d[2][2] - d[0][2])) * slopeScale;
            const float inv = 1.0f / std::sqrt(gx * gx + gy * gy + 1.0f);
            n[x - area.min.x] = RGBf{-gx * inv, -gy * inv, inv};

            float l = 0;
            float m = 0;
            for (int i = 0; i < 3; ++i)
                l += d[0][i] + d[2][i] - 2 * d[1][i];
            for (int j = 0; j < 3; ++j)
                m += d[j][0] + d[j][2] - 2 * d[j][1];
            l /= 256;
            m /= 256;
            s[x - area.min.x] = Lf{l * l + m * m};
        }
    }
}

void PassAmbientOcclusion::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    const Mipmap<L16>& depth = *buffers->depthMap;
    const OwnedImage<L16>& level0 = depth.level(0);
    const OwnedImage<RGBA>& diffuse = buffers->diffuseMap->level(0);
    OwnedImage<RGBAf>& accum = buffers->accumBuffers[threadIndex];
    constexpr int numSamples = 4; // levels 1 to 4, capped
    const OwnedImage<L16>* levels[numSamples];
    int shifts[numSamples];
    for (int k = 0; k < numSamples; ++k) {
        shifts[k] = cappedLevel(depth, k + 1);
        levels[k] = &depth.level(shifts[k]);
    }
    const float amount = ambientLight / 255.0f;
    AxisSpot columns[numSamples][columnChunk];
    for (int cx = area.min.x; cx < area.max.x; cx += columnChunk) {
        const int cEnd = std::min(cx + columnChunk, area.max.x);
        for (int k = 0; k < numSamples; ++k)
            for (int x = cx; x < cEnd; ++x)
                columns[k][x - cx] = axisSpot(x, shifts[k], levels[k]->width());
        for (int y = area.min.y; y < area.max.y; ++y) {
            const L16* rows0[numSamples];
            const L16* rows1[numSamples];
            float ty[numSamples];
            for (int k = 0; k < numSamples; ++k) {
                const AxisSpot sy = axisSpot(y, shifts[k], levels[k]->height());
                rows0[k] = levels[k]->scanline(sy.i0);
                rows1[k] = levels[k]->scanline(sy.i1);
                ty[k] = sy.t;
            }
            const RGBA* dif = diffuse.scanline(y);
            const L16* d0row = level0.scanline(y);
            RGBAf* acc = accum.scanline(y - area.min.y);
            for (int x = cx; x < cEnd; ++x) {
                if (noColour(dif[x]) && dif[x].a == 0)
                    continue;
                float sum = 0;
                for (int k = 0; k < numSamples; ++k) {
                    const AxisSpot& sx = columns[k][x - cx];
                    sum += bilinear(rows0[k][sx.i0].l, rows0[k][sx.i1].l, rows1[k][sx.i0].l, rows1[k][sx.i1].l,
                                    sx.t, ty[k]);
                }
                const float d0 = d0row[x].l;
                const float occlusion = std::clamp((d0 - sum / 4 + 23040.0f) / 23040.0f, 0.0f, 1.0f);
                const float f = occlusion * amount;
                RGBAf& a = acc[x - area.min.x];
                a.r += dif[x].r * f;
                a.g += dif[x].g * f;
                a.b += dif[x].b * f;
                a.a += dif[x].a * f;
            }
        }
    }
}

void PassObliqueShadowLight::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    constexpr int steps = 10;
    const OwnedImage<L16>& depth = buffers->depthMap->level(0);
    const OwnedImage<RGBA>& diffuse = buffers->diffuseMap->level(0);
    OwnedImage<RGBAf>& accum = buffers->accumBuffers[threadIndex];
    const int lastColumn = depth.width() - 1;
    float weights[steps];
    float w = 1.0f;
    for (int k = 0; k < steps; ++k) {
        w *= 0.78f;
        weights[k] = w;
    }
    // Full light above the sample, none from 15360 below it, linear in between.
    auto visibility = [](float v) { return std::clamp((v + 15360.0f) * (1.0f / 15360.0f), 0.0f, 1.0f); };
    for (int y = area.min.y; y < area.max.y; ++y) {
        const L16* rows[steps];
        for (int k = 0; k < steps; ++k)
            rows[k] = depth.scanline(std::max(y - 1 - k, 0));
        const L16* own = depth.scanline(y);
        const RGBA* dif = diffuse.scanline(y);
        RGBAf* acc = accum.scanline(y - area.min.y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            if (noColour(dif[x]))
                continue;
            const float d = own[x].l;
            float sum = 0;
            for (int k = 0; k < steps; ++k) {
                const float r = rows[k][std::min(x + 1 + k, lastColumn)].l;
                const float l = rows[k][std::max(x - 1 - k, 0)].l;
                const float base = d + static_cast<float>(k) + 1.0f;
                sum += (visibility(base - r) + 0.7f * visibility(base - l)) * weights[k];
            }
            sum *= 0.18100029f;
            const float f = sum / 255.0f;
            RGBAf& a = acc[x - area.min.x];
            a.r += dif[x].r * color.x * f;
            a.g += dif[x].g * color.y * f;
            a.b += dif[x].b * color.z * f;
        }
    }
}

void PassDirectionalLight::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    const OwnedImage<RGBA>& diffuse = buffers->diffuseMap->level(0);
    const OwnedImage<RGBA>& material = buffers->materialMap->level(0);
    const OwnedImage<RGBf>& normals = buffers->normalBuffers[threadIndex];
    OwnedImage<RGBAf>& accum = buffers->accumBuffers[threadIndex];
    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBA* dif = diffuse.scanline(y);
        const RGBA* mat = material.scanline(y);
        const RGBf* n = normals.scanline(y - area.min.y);
        RGBAf* acc = accum.scanline(y - area.min.y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            if (noColour(dif[x]))
                continue;
            const RGBf& nn = n[x - area.min.x];
            const float dot = nn.r * direction.x + nn.g * direction.y + nn.b * direction.z;
            const float roughness = mat[x].r / 255.0f;
            const float w = 0.24f - roughness * 0.5f;
            const float lit = (dot * 0.5f + 0.5f - w) / (1.0f - w);
            RGBAf& a = acc[x - area.min.x];
            a.r += color.x * (dif[x].r / 255.0f) * lit;
            a.g += color.y * (dif[x].g / 255.0f) * lit;
            a.b += color.z * (dif[x].b / 255.0f) * lit;
        }
    }
}

PassSpecularLight::PassSpecularLight(MultipassCompositor* parent, int numThreads)
    : CompositorPass(parent, numThreads)
{
    for (int i = 0; i < 256; ++i)
        exponents_[i] = 0.8f * 2.8f * std::exp(5.5f * (1.0f - static_cast<float>(i) / 255.0f));
    rows_ = new OwnedImage<RGBAf>[static_cast<size_t>(std::max(1, numThreads))];
}

PassSpecularLight::~PassSpecularLight()
{
    delete[] rows_;
}

void PassSpecularLight::resizeBuffers(int, int, int areaMaxWidth, int)
{
    for (int t = 0; t < std::max(1, numThreads()); ++t)
        rows_[t].size(areaMaxWidth, 3, 0, 0, 16);
}

void PassSpecularLight::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    const OwnedImage<RGBA>& material = buffers->materialMap->level(0);
    const OwnedImage<RGBf>& normals = buffers->normalBuffers[threadIndex];
    OwnedImage<RGBAf>& accum = buffers->accumBuffers[threadIndex];
    // Half vector between the light and a viewer looking straight at the panel.
    float hx = direction.x;
    float hy = direction.y;
    float hz = direction.z + 1.0f;
    const float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    if (hl > 0) {
        hx /= hl;
        hy /= hl;
        hz /= hl;
    }
    RGBAf* highlight = rows_[threadIndex].scanline(0);
    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBA* mat = material.scanline(y);
        const RGBf* n = normals.scanline(y - area.min.y);
        // First the highlight strength of the row, then its colour.
        for (int x = area.min.x; x < area.max.x; ++x) {
            const RGBf& nn = n[x - area.min.x];
            // A material without specular strength skips the power: it adds nothing.
            const float dot = std::max(0.0f, nn.r * hx + nn.g * hy + nn.b * hz);
            const float strength = mat[x].b == 0 ? 0.0f : std::pow(dot, exponents_[mat[x].r]) * (mat[x].b / 255.0f);
            highlight[x - area.min.x] = RGBAf{strength, strength, strength, 0};
        }
        RGBAf* acc = accum.scanline(y - area.min.y);
        for (int i = 0; i < area.width(); ++i) {
            acc[i].r += color.x * highlight[i].r;
            acc[i].g += color.y * highlight[i].g;
            acc[i].b += color.z * highlight[i].b;
        }
    }
}

void PassSkyboxReflections::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    if (skybox == nullptr || skybox->width() <= 0 || skybox->height() <= 0)
        return;
    const OwnedImage<RGBA>& material = buffers->materialMap->level(0);
    const OwnedImage<RGBf>& normals = buffers->normalBuffers[threadIndex];
    OwnedImage<RGBAf>& accum = buffers->accumBuffers[threadIndex];
    const int sw = skybox->width();
    const int sh = skybox->height();
    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBA* mat = material.scanline(y);
        const RGBf* n = normals.scanline(y - area.min.y);
        RGBAf* acc = accum.scanline(y - area.min.y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            const RGBf& nn = n[x - area.min.x];
            // The normal's tilt picks the reflected spot; metalness scales it.
            const int sx = std::clamp(static_cast<int>((nn.r * 0.5f + 0.5f) * static_cast<float>(sw - 1)), 0, sw - 1);
            const int sy = std::clamp(static_cast<int>((nn.g * 0.5f + 0.5f) * static_cast<float>(sh - 1)), 0, sh - 1);
            const RGBA c = skybox->scanline(sy)[sx];
            const float f = amount * (mat[x].g / 255.0f) / 255.0f;
            RGBAf& a = acc[x - area.min.x];
            a.r += c.r * f;
            a.g += c.g * f;
            a.b += c.b * f;
        }
    }
}

void PassEmissiveContribution::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    const Mipmap<RGBA>& diffuse = *buffers->diffuseMap;
    const OwnedImage<RGBA>& level0 = diffuse.level(0);
    OwnedImage<RGBAf>& accum = buffers->accumBuffers[threadIndex];
    static constexpr float levelWeights[5] = {0.3f / 255, 0.45f / 255, 0.375f / 255, 0.225f / 255, 0.15f / 255};
    // Levels 1 to 5 capped at the last one; a map with no coarser level adds no glow.
    const OwnedImage<RGBA>* levels[5];
    int shifts[5];
    float weights[5];
    int numSamples = 0;
    for (int k = 0; k < 5; ++k) {
        const int shift = cappedLevel(diffuse, k + 1);
        const OwnedImage<RGBA>& lv = diffuse.level(shift);
        if (shift == 0)
            break;
        if (numSamples > 0 && levels[numSamples - 1] == &lv) {
            weights[numSamples - 1] += levelWeights[k]; // capped: the same samples again
            continue;
        }
        levels[numSamples] = &lv;
        shifts[numSamples] = shift;
        weights[numSamples] = levelWeights[k];
        ++numSamples;
    }
    AxisSpot columns[5][columnChunk];
    for (int cx = area.min.x; cx < area.max.x; cx += columnChunk) {
        const int cEnd = std::min(cx + columnChunk, area.max.x);
        for (int k = 0; k < numSamples; ++k)
            for (int x = cx; x < cEnd; ++x)
                columns[k][x - cx] = axisSpot(x, shifts[k], levels[k]->width());
        for (int y = area.min.y; y < area.max.y; ++y) {
            const RGBA* rows0[5];
            const RGBA* rows1[5];
            float ty[5];
            for (int k = 0; k < numSamples; ++k) {
                const AxisSpot sy = axisSpot(y, shifts[k], levels[k]->height());
                rows0[k] = levels[k]->scanline(sy.i0);
                rows1[k] = levels[k]->scanline(sy.i1);
                ty[k] = sy.t;
            }
            const RGBA* dif = level0.scanline(y);
            RGBAf* acc = accum.scanline(y - area.min.y);
            for (int x = cx; x < cEnd; ++x) {
                // The pixel's own emission: its colour times its emissive strength.
                const float own = dif[x].a / (255.0f * 255.0f);
                float r = dif[x].r * own;
                float g = dif[x].g * own;
                float b = dif[x].b * own;
                // The glow of the neighbourhood; the coarser levels hold colour
                // already weighted by emission.
                for (int k = 0; k < numSamples; ++k) {
                    const AxisSpot& sx = columns[k][x - cx];
                    const RGBA& c00 = rows0[k][sx.i0];
                    const RGBA& c01 = rows0[k][sx.i1];
                    const RGBA& c10 = rows1[k][sx.i0];
                    const RGBA& c11 = rows1[k][sx.i1];
                    if (noColour(c00) && noColour(c01) && noColour(c10) && noColour(c11))
                        continue;
                    r += weights[k] * bilinear(c00.r, c01.r, c10.r, c11.r, sx.t, ty[k]);
                    g += weights[k] * bilinear(c00.g, c01.g, c10.g, c11.g, sx.t, ty[k]);
                    b += weights[k] * bilinear(c00.b, c01.b, c10.b, c11.b, sx.t, ty[k]);
                }
                RGBAf& a = acc[x - area.min.x];
                a.r += r;
                a.g += g;
                a.b += b;
            }
        }
    }
}

void PassClampAndConvertTo8bit::render(int threadIndex, box2i area, const CompositorPassBuffers* buffers)
{
    const OwnedImage<RGBAf>& accum = buffers->accumBuffers[threadIndex];
    auto to8 = [](float v) -> uint8_t {
        v *= 255.99f;
        if (!(v > 0.0f)) // NaN included
            return 0;
        if (v >= 255.0f)
            return 255;
        return static_cast<uint8_t>(v);
    };
    for (int y = area.min.y; y < area.max.y; ++y) {
        const RGBAf* acc = accum.scanline(y - area.min.y);
        RGBA* out = buffers->target.scanline(y);
        for (int x = area.min.x; x < area.max.x; ++x) {
            const RGBAf& a = acc[x - area.min.x];
            out[x] = RGBA{to8(a.r), to8(a.g), to8(a.b), 255};
        }
    }
}

} // namespace vf
