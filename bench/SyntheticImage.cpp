#include "SyntheticImage.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}

    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    float unit() { return static_cast<float>(next() >> 40) * 0x1.0p-24f; }
    float range(float low, float high) { return low + (high - low) * unit(); }
    int range(int low, int high) { return low + static_cast<int>(unit() * static_cast<float>(high - low + 1)); }

private:
    uint64_t state_;
};

float smoothstep(float t) { return t * t * (3.0f - 2.0f * t); }

// Random values in [-1, 1] on a square lattice, interpolated smoothly in
// between (value noise). Evaluated a row at a time: the horizontal lookups
// are the same for every row and are computed once.
class ValueNoise {
public:
    ValueNoise(int width, int height, float cell, SplitMix64& rng)
    {
        // Below about 1.5 pixels the lattice is just more per-pixel noise.
        cell = std::max(cell, 1.5f);
        inverseCell_ = 1.0f / cell;
        columns_ = static_cast<size_t>(static_cast<float>(width) * inverseCell_) + 2;
        const size_t rows = static_cast<size_t>(static_cast<float>(height) * inverseCell_) + 2;
        lattice_.resize(columns_ * rows);
        for (float& value : lattice_)
            value = rng.unit() * 2.0f - 1.0f;
        column_.resize(static_cast<size_t>(width));
        weight_.resize(static_cast<size_t>(width));
        for (size_t x = 0; x < column_.size(); ++x) {
            const float fx = static_cast<float>(x) * inverseCell_;
            column_[x] = static_cast<uint32_t>(fx);
            weight_[x] = smoothstep(fx - static_cast<float>(column_[x]));
        }
    }

    // out[x] += amplitude * noise(x, y) for the whole row.
    void addRow(int y, float amplitude, float* out) const
    {
        const float fy = static_cast<float>(y) * inverseCell_;
        const auto row = static_cast<size_t>(fy);
        const float wy = smoothstep(fy - static_cast<float>(row));
        const float* top = &lattice_[row * columns_];
        const float* bottom = top + columns_;
        for (size_t x = 0; x < column_.size(); ++x) {
            const uint32_t c = column_[x];
            const float upper = top[c] + (top[c + 1] - top[c]) * weight_[x];
            const float lower = bottom[c] + (bottom[c + 1] - bottom[c]) * weight_[x];
            out[x] += amplitude * (upper + (lower - upper) * wy);
        }
    }

private:
    float inverseCell_ = 1.0f;
    size_t columns_ = 0;
    std::vector<float> lattice_;
    std::vector<uint32_t> column_;
    std::vector<float> weight_;
};

using Colour = std::array<float, 3>;

Colour randomColour(SplitMix64& rng, Colour low, Colour high)
{
    return {rng.range(low[0], high[0]), rng.range(low[1], high[1]), rng.range(low[2], high[2])};
}

// A man-made object: a flat-coloured rectangle with a regular pattern
// (stripes, or a grid of windows or tiles) and hard edges.
struct SceneObject {
    int left, top, right, bottom;
    Colour colour;
    int periodX, periodY;  // 0: no pattern along that axis
    float contrast;
};

// Triangle wave in [-1, 1] with the given period in pixels.
float triangleWave(int position, int period)
{
    const float phase = static_cast<float>(position % period) / static_cast<float>(period);
    return (phase < 0.5f ? phase : 1.0f - phase) * 4.0f - 1.0f;
}

uint8_t toByte(float value) { return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f); }

}  // namespace

SyntheticImage MakePhotoLikeImage(int width, int height, uint64_t seed)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    SplitMix64 rng(seed * 0x2545F4914F6CDD1Dull + 1);
    // Feature sizes follow the image, so a thumbnail looks like a small photo.
    const auto scale = static_cast<float>(std::min(width, height));

    const ValueNoise illumination(width, height, scale / 2.0f, rng);
    const ValueNoise textureMask(width, height, scale / 6.0f, rng);
    const ValueNoise clouds(width, height, scale / 5.0f, rng);
    const ValueNoise cloudDetail(width, height, scale / 20.0f, rng);
    const std::array<ValueNoise, 4> detail = {
        ValueNoise(width, height, scale / 24.0f, rng),
        ValueNoise(width, height, scale / 80.0f, rng),
        ValueNoise(width, height, 5.0f, rng),
        ValueNoise(width, height, 2.0f, rng),
    };
    const std::array<float, 4> detailAmplitude = {26.0f, 18.0f, 22.0f, 28.0f};
    const ValueNoise chromaRed(width, height, scale / 30.0f, rng);
    const ValueNoise chromaBlue(width, height, scale / 30.0f, rng);

    // The horizon: a wavy line between 30% and 55% of the height.
    std::vector<float> horizon(static_cast<size_t>(width), rng.range(0.30f, 0.55f) * static_cast<float>(height));
    ValueNoise(width, 1, static_cast<float>(width) / 8.0f, rng).addRow(0, 0.06f * static_cast<float>(height), horizon.data());

    const Colour skyTop = randomColour(rng, {60, 100, 160}, {120, 160, 230});
    const Colour skyLow = randomColour(rng, {165, 185, 205}, {215, 225, 245});
    const Colour ground = randomColour(rng, {55, 65, 30}, {135, 140, 95});

    std::vector<SceneObject> objects(static_cast<size_t>(rng.range(3, 8)));
    for (SceneObject& object : objects) {
        const int w = std::max(1, static_cast<int>(rng.range(0.05f, 0.35f) * static_cast<float>(width)));
        const int h = std::max(1, static_cast<int>(rng.range(0.05f, 0.40f) * static_cast<float>(height)));
        object.left = rng.range(0, width - w);
        object.top = rng.range(height / 4, std::max(height / 4, height - h));
        object.right = object.left + w;
        object.bottom = std::min(height, object.top + h);
        // Muted, as painted walls and cars are, not saturated primaries.
        const float grey = rng.range(40.0f, 210.0f);
        object.colour = randomColour(rng, {grey - 25, grey - 20, grey - 25}, {grey + 25, grey + 20, grey + 25});
        const int kind = rng.range(0, 2);
        const int period = std::max(3, static_cast<int>(rng.range(0.004f, 0.02f) * scale));
        object.periodX = kind != 1 ? period : 0;
        object.periodY = kind != 0 ? std::max(3, period * rng.range(1, 3)) : 0;
        object.contrast = rng.range(12.0f, 40.0f);
    }

    SyntheticImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);

    const auto columns = static_cast<size_t>(width);
    std::vector<float> light(columns), mask(columns), sky(columns), luma(columns), red(columns), blue(columns);
    std::vector<Colour> base(columns);
    std::vector<float> pattern(columns);
    std::vector<uint8_t> isSky(columns);
    const float centreX = static_cast<float>(width) / 2.0f;
    const float centreY = static_cast<float>(height) / 2.0f;
    const float inverseRadius2 = 1.0f / (centreX * centreX + centreY * centreY);

    for (int y = 0; y < height; ++y) {
        std::fill(light.begin(), light.end(), 1.0f);
        illumination.addRow(y, 0.22f, light.data());
        std::fill(mask.begin(), mask.end(), 0.5f);
        textureMask.addRow(y, 0.9f, mask.data());
        std::fill(sky.begin(), sky.end(), 0.0f);
        clouds.addRow(y, 22.0f, sky.data());
        cloudDetail.addRow(y, 9.0f, sky.data());
        std::fill(luma.begin(), luma.end(), 0.0f);
        for (size_t octave = 0; octave < detail.size(); ++octave)
            detail[octave].addRow(y, detailAmplitude[octave], luma.data());
        std::fill(red.begin(), red.end(), 0.0f);
        chromaRed.addRow(y, 10.0f, red.data());
        std::fill(blue.begin(), blue.end(), 0.0f);
        chromaBlue.addRow(y, 10.0f, blue.data());

        const auto fy = static_cast<float>(y);
        for (size_t x = 0; x < columns; ++x) {
            isSky[x] = fy < horizon[x];
            if (isSky[x]) {
                const float t = std::clamp(fy / std::max(horizon[x], 1.0f), 0.0f, 1.0f);
                for (int c = 0; c < 3; ++c)
                    base[x][c] = skyTop[c] + (skyLow[c] - skyTop[c]) * t;
            } else {
                base[x] = ground;
            }
            pattern[x] = 0.0f;
        }
        for (const SceneObject& object : objects) {
            if (y < object.top || y >= object.bottom)
                continue;
            const float rowWave = object.periodY ? triangleWave(y, object.periodY) : 1.0f;
            for (int x = object.left; x < object.right; ++x) {
                const auto i = static_cast<size_t>(x);
                base[i] = object.colour;
                isSky[i] = 0;
                const float columnWave = object.periodX ? triangleWave(x, object.periodX) : 1.0f;
                pattern[i] = object.contrast * (object.periodX && object.periodY ? std::max(rowWave, columnWave) : rowWave * columnWave);
            }
        }

        uint8_t* out = &image.rgb[static_cast<size_t>(y) * columns * 3];
        const float dy = fy - centreY;
        for (size_t x = 0; x < columns; ++x) {
            const float dx = static_cast<float>(x) - centreX;
            const float vignette = 1.0f - 0.25f * (dx * dx + dy * dy) * inverseRadius2;
            // Sky is smooth apart from clouds; the ground's texture strength
            // varies from patch to patch, as grass, gravel and walls do.
            const float texture = isSky[x] ? sky[x] + 0.15f * luma[x] : luma[x] * (0.25f + 0.75f * std::clamp(mask[x], 0.0f, 1.0f));
            const float shade = light[x] * vignette;
            // Sensor noise: triangular luma noise and a little chroma noise.
            const uint64_t bits = rng.next();
            const float noise = static_cast<float>(static_cast<int>(bits & 0xFFFF) + static_cast<int>((bits >> 16) & 0xFFFF) - 65535) * (9.0f / 65535.0f);
            const float noiseRed = static_cast<float>(static_cast<int>((bits >> 32) & 0xFFFF) - 32768) * (2.0f / 32768.0f);
            const float noiseBlue = static_cast<float>(static_cast<int>(bits >> 48) - 32768) * (2.0f / 32768.0f);
            const float common = texture + pattern[x] + noise;
            out[3 * x] = toByte((base[x][0] + common + red[x]) * shade + noiseRed);
            out[3 * x + 1] = toByte((base[x][1] + common) * shade);
            out[3 * x + 2] = toByte((base[x][2] + common + blue[x]) * shade + noiseBlue);
        }
    }
    return image;
}

bool TakeSeedOption(int argc, char** argv, int& arg, uint64_t& seed)
{
    if (arg + 1 >= argc || std::strcmp(argv[arg], "-s") != 0)
        return true;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(argv[arg + 1], &end, 10);
    if (errno != 0 || end == argv[arg + 1] || *end != '\0')
        return false;
    seed = value;
    arg += 2;
    return true;
}
