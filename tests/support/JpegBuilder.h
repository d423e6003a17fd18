// Builds JPEG byte strings marker by marker, so that every malformed case in
// the tests reads as what it is:
//   JpegBuilder().soi().app0Jfif(1, 2).dqt8(table).sof(0xC0, 640, 480).sos().entropy(500).eoi()
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class JpegBuilder {
public:
    JpegBuilder& raw(std::initializer_list<int> bytes)
    {
        for (int b : bytes)
            data_.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    JpegBuilder& raw(const Bytes& bytes)
    {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    JpegBuilder& raw(const std::string& text)
    {
        data_.insert(data_.end(), text.begin(), text.end());
        return *this;
    }
    JpegBuilder& zeros(size_t n)
    {
        data_.insert(data_.end(), n, 0);
        return *this;
    }
    // n + 4 bytes that the walk skips by their length (a JPG0 segment).
    JpegBuilder& padding(size_t n) { return segment(0xF0, Bytes(n, 0)); }
    JpegBuilder& marker(int code) { return raw({0xFF, code}); }
    JpegBuilder& soi() { return marker(0xD8); }
    JpegBuilder& eoi() { return marker(0xD9); }
    JpegBuilder& u16(int value) { return raw({(value >> 8) & 0xFF, value & 0xFF}); }

    // A segment whose length field counts itself and the payload.
    JpegBuilder& segment(int code, const Bytes& payload)
    {
        marker(code);
        u16(static_cast<int>(payload.size()) + 2);
        return raw(payload);
    }
    // A segment with an arbitrary length field (which may lie).
    JpegBuilder& segmentWithLength(int code, int length, const Bytes& payload)
    {
        marker(code);
        u16(length);
        return raw(payload);
    }

    JpegBuilder& app0Jfif(int major, int minor, int thumbWidth = 0, int thumbHeight = 0, int appCode = 0xE0)
    {
        Bytes payload = {'J', 'F', 'I', 'F', 0, static_cast<uint8_t>(major), static_cast<uint8_t>(minor), 1, 0, 72, 0, 72,
                         static_cast<uint8_t>(thumbWidth), static_cast<uint8_t>(thumbHeight)};
        payload.insert(payload.end(), static_cast<size_t>(thumbWidth) * thumbHeight * 3, 0x80);
        return segment(appCode, payload);
    }
    JpegBuilder& app1Exif(size_t bodyBytes = 10)
    {
        Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
        payload.insert(payload.end(), bodyBytes, 0x11);
        return segment(0xE1, payload);
    }

    // One 8-bit table (Pq = 0) in its own segment.
    JpegBuilder& dqt8(const Bytes& table, int destination = 0)
    {
        Bytes payload = {static_cast<uint8_t>(destination)};
        payload.insert(payload.end(), table.begin(), table.end());
        return segment(0xDB, payload);
    }
    // One 16-bit table (Pq = 1), big-endian values.
    JpegBuilder& dqt16(const std::vector<int>& table, int destination = 0)
    {
        Bytes payload = {static_cast<uint8_t>(0x10 | destination)};
        for (int v : table) {
            payload.push_back(static_cast<uint8_t>(v >> 8));
            payload.push_back(static_cast<uint8_t>(v & 0xFF));
        }
        return segment(0xDB, payload);
    }

    JpegBuilder& sof(int code, int width, int height, int components = 3)
    {
        Bytes payload = {8, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height & 0xFF),
                         static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(width & 0xFF),
                         static_cast<uint8_t>(components)};
        for (int c = 0; c < components; ++c)
            payload.insert(payload.end(), {static_cast<uint8_t>(c + 1), 0x11, 0});
        return segment(code, payload);
    }
    JpegBuilder& dht() { return segment(0xC4, Bytes(29, 0x01)); }
    JpegBuilder& sos(int components = 1)
    {
        Bytes payload = {static_cast<uint8_t>(components)};
        for (int c = 0; c < components; ++c)
            payload.insert(payload.end(), {static_cast<uint8_t>(c + 1), 0});
        payload.insert(payload.end(), {0, 63, 0});
        return segment(0xDA, payload);
    }
    // Entropy-coded-looking bytes: every FF is followed by a stuffed 00.
    JpegBuilder& entropy(size_t n, uint32_t seed = 1)
    {
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const auto b = static_cast<uint8_t>(seed >> 24);
            data_.push_back(b);
            if (b == 0xFF)
                data_.push_back(0);
        }
        return *this;
    }
    JpegBuilder& com(const std::string& text)
    {
        return segment(0xFE, Bytes(text.begin(), text.end()));
    }

    // SOI, JFIF, one table, frame, scan, data, EOI: a small sound file.
    JpegBuilder& minimalImage(const Bytes& table, int width = 16, int height = 8)
    {
        return soi().app0Jfif(1, 1).dqt8(table).sof(0xC0, width, height, 1).dht().sos().entropy(200).eoi();
    }

    const Bytes& bytes() const { return data_; }
    size_t size() const { return data_.size(); }

private:
    Bytes data_;
};

// A 64-value table whose values add up to sum (each 0..255).
inline Bytes TableWithSum(int sum)
{
    Bytes table(64, 0);
    for (auto& v : table) {
        const int take = sum > 255 ? 255 : sum;
        v = static_cast<uint8_t>(take);
        sum -= take;
    }
    return table;
}
