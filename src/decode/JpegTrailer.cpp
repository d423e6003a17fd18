#include "decode/JpegTrailer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// The image's segments before its first scan, looked through for an MPF
// index (APP2 "MPF\0"): the offsets of the further images it declares,
// absolute in the file. Headers are short; a hostile one is cut off.
std::vector<int64_t> MpfImageOffsets(const ReadAtFunction& readAt, int64_t imageStart)
{
    constexpr int kMaxSegments = 256;
    std::vector<int64_t> offsets;
    uint64_t pos = static_cast<uint64_t>(imageStart) + 2;
    std::vector<uint8_t> payload;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        uint8_t head[4];
        if (readAt(pos, head, 4) != 4 || head[0] != 0xFF)
            break;
        const uint8_t marker = head[1];
        if (marker == 0xFF) {  // a fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        const size_t length = size_t{head[2]} << 8 | head[3];
        if (length < 2)
            break;
        if (marker == 0xE2 && length >= 2 + 4 + 8) {
            payload.resize(length - 2);
            if (readAt(pos + 4, payload.data(), payload.size()) != payload.size())
                break;
            if (std::memcmp(payload.data(), "MPF\0", 4) == 0) {
                const uint8_t* tiff = payload.data() + 4;
                const size_t tiffSize = payload.size() - 4;
                const int64_t tiffStart = static_cast<int64_t>(pos) + 8;
                const bool little = tiff[0] == 'I' && tiff[1] == 'I';
                if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
                    break;
                const auto u16 = [&](size_t at) -> uint32_t {
                    return little ? uint32_t{tiff[at]} | uint32_t{tiff[at + 1]} << 8
                                  : uint32_t{tiff[at]} << 8 | uint32_t{tiff[at + 1]};
                };
                const auto u32 = [&](size_t at) -> uint32_t {
                    return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
                };
                const size_t ifd = u32(4);
                if (ifd > tiffSize || tiffSize - ifd < 2)
                    break;
                const size_t count = u16(ifd);
                for (size_t i = 0; i < count; ++i) {
                    const size_t entry = ifd + 2 + i * 12;
                    if (entry > tiffSize || tiffSize - entry < 12)
                        break;
                    if (u16(entry) != 0xB002)
                        continue;
                    const size_t bytes = u32(entry + 4);
                    const size_t at = u32(entry + 8);
                    if (bytes < 16 || at > tiffSize || tiffSize - at < bytes)
                        break;
                    for (size_t e = at; e + 16 <= at + bytes; e += 16) {
                        const uint32_t dataOffset = u32(e + 8);
                        if (dataOffset != 0)  // 0 is the first image itself
                            offsets.push_back(tiffStart + dataOffset);
                    }
                }
                break;
            }
        }
        pos += 2 + length;
    }
    return offsets;
}

// Whether a run of bytes, read chunk by chunk, is text: printable ASCII,
// tab, CR, LF and well-formed UTF-8 sequences.
class TextCheck {
public:
    bool take(const uint8_t* bytes, size_t size)
    {
        for (size_t i = 0; i < size && text_; ++i) {
            const uint8_t b = bytes[i];
            if (pending_ > 0) {
                text_ = (b & 0xC0) == 0x80;
                --pending_;
            } else if (b >= 0x20 && b < 0x7F) {
            } else if (b == '\t' || b == '\n' || b == '\r') {
            } else if (b >= 0xC2 && b <= 0xDF) {
                pending_ = 1;
            } else if (b >= 0xE0 && b <= 0xEF) {
                pending_ = 2;
            } else if (b >= 0xF0 && b <= 0xF4) {
                pending_ = 3;
            } else {
                text_ = false;
            }
        }
        return text_;
    }
    bool isText() const { return text_ && pending_ == 0; }

private:
    bool text_ = true;
    int pending_ = 0;
};

}  // namespace

std::string_view TrailerKindText(TrailerKind kind)
{
    switch (kind) {
    case TrailerKind::None: return "";
    case TrailerKind::Jpeg: return "jpeg";
    case TrailerKind::Mpf: return "mpf";
    case TrailerKind::Mp4: return "mp4";
    case TrailerKind::Zip: return "zip";
    case TrailerKind::Zeros: return "zeros";
    case TrailerKind::Text: return "text";
    case TrailerKind::Unknown: return "unknown";
    }
    return "";
}

TrailerInfo ClassifyTrailer(const ReadAtFunction& readAt, int64_t imageStart, int64_t offset, int64_t size)
{
    TrailerInfo trailer;
    if (size <= 0 || offset < 0)
        return trailer;
    trailer.Offset = offset;
    trailer.Size = size;

    std::array<uint8_t, 8> head{};
    const size_t headSize = readAt(static_cast<uint64_t>(offset), head.data(),
                                   static_cast<size_t>(std::min<int64_t>(size, head.size())));
    if (headSize >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        const std::vector<int64_t> declared = MpfImageOffsets(readAt, imageStart);
        trailer.Kind = std::find(declared.begin(), declared.end(), offset) != declared.end() ? TrailerKind::Mpf
                                                                                           : TrailerKind::Jpeg;
        return trailer;
    }
    if (headSize >= 8 && std::memcmp(head.data() + 4, "ftyp", 4) == 0) {
        trailer.Kind = TrailerKind::Mp4;
        return trailer;
    }
    if (headSize >= 4 && head[0] == 'P' && head[1] == 'K'
        && ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
        trailer.Kind = TrailerKind::Zip;
        return trailer;
    }

    // Zeros or text only when every byte says so: read until one does not.
    std::vector<uint8_t> chunk(64 * 1024);
    bool zeros = true;
    TextCheck text;
    bool isText = true;
    int64_t done = 0;
    while (done < size && (zeros || isText)) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(size - done, static_cast<int64_t>(chunk.size())));
        const size_t got = readAt(static_cast<uint64_t>(offset + done), chunk.data(), want);
        if (got == 0)
            break;
        if (zeros)
            zeros = std::all_of(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got),
                                [](uint8_t b) { return b == 0; });
        if (isText)
            isText = text.take(chunk.data(), got);
        done += static_cast<int64_t>(got);
    }
    if (done < size)
        trailer.Kind = TrailerKind::Unknown;  // the file got shorter: nothing certain
    else if (zeros)
        trailer.Kind = TrailerKind::Zeros;
    else if (isText && text.isText())
        trailer.Kind = TrailerKind::Text;
    else
        trailer.Kind = TrailerKind::Unknown;
    return trailer;
}
