#include "decode/JpegTrailer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>
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


// A 3DS camera writes one zero byte between the first image's EOI and the
// second image that its MPF index declares; a few are accepted.
constexpr size_t kMpfPadding = 16;

// What a Samsung motion photo writes between the photo and its video.
constexpr std::string_view kMotionPhotoMarker = "MotionPhoto_Data";

// How far after that marker the video's first box may start.
constexpr size_t kMotionPhotoGap = 256;

// Jpeg or Mpf when the trailer is a further image: one right at the start,
// or one after a few bytes of padding that the image's MPF index declares.
std::optional<TrailerKind> FurtherImage(const ReadAtFunction& readAt, int64_t imageStart, int64_t offset,
                                        const uint8_t* head, size_t headSize)
{
    const auto soiAt = [&](size_t at) {
        return at + 3 <= headSize && head[at] == 0xFF && head[at + 1] == 0xD8 && head[at + 2] == 0xFF;
    };
    size_t at = 0;
    while (at < kMpfPadding && at < headSize && !soiAt(at) && (head[at] == 0x00 || head[at] == 0xFF))
        ++at;
    if (!soiAt(at))
        return std::nullopt;
    const std::vector<int64_t> declared = MpfImageOffsets(readAt, imageStart);
    if (std::find(declared.begin(), declared.end(), offset + static_cast<int64_t>(at)) != declared.end())
        return TrailerKind::Mpf;
    if (at == 0)
        return TrailerKind::Jpeg;
    return std::nullopt;  // padding that nothing declares: not a known layout
}

// Where the ISO media file after a MotionPhoto_Data marker starts (its first
// box, `ftyp`), or -1.
int64_t VideoAfterMarker(const ReadAtFunction& readAt, int64_t from, int64_t end)
{
    std::array<uint8_t, kMotionPhotoGap + 8> window{};
    const size_t got = readAt(static_cast<uint64_t>(from), window.data(),
                              static_cast<size_t>(std::min<int64_t>(end - from, window.size())));
    for (size_t at = 0; at + 8 <= got; ++at) {
        const uint32_t boxSize = uint32_t{window[at]} << 24 | uint32_t{window[at + 1]} << 16
                                 | uint32_t{window[at + 2]} << 8 | window[at + 3];
        if (std::memcmp(window.data() + at + 4, "ftyp", 4) == 0 && boxSize >= 8)
            return from + static_cast<int64_t>(at);
    }
    return -1;
}

// Zeros or text only when every byte says so: read until one does not.
TrailerKind ZerosOrText(const ReadAtFunction& readAt, int64_t offset, int64_t size)
{
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
        return TrailerKind::Unknown;  // the file got shorter: nothing certain
    if (zeros)
        return TrailerKind::Zeros;
    if (isText && text.isText())
        return TrailerKind::Text;
    return TrailerKind::Unknown;
}

// Whether the size bytes from offset are zeros, for a trailer too long to
// read whole: its last block first (padding ends as it starts), then only
// the data regions, at most kTrailerReadLimit of them.
bool LongZeros(const ReadAtFunction& readAt, const NextDataFunction& nextData, int64_t offset, int64_t size)
{
    constexpr size_t kBlock = 64 * 1024;
    std::vector<uint8_t> chunk(kBlock);
    const uint64_t end = static_cast<uint64_t>(offset + size);
    const auto zerosAt = [&](uint64_t at, size_t want) {
        const size_t got = readAt(at, chunk.data(), want);
        return got == want && std::all_of(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got),
                                          [](uint8_t b) { return b == 0; });
    };
    if (!zerosAt(end - kBlock, kBlock))
        return false;
    int64_t budget = kTrailerReadLimit;
    uint64_t pos = static_cast<uint64_t>(offset);
    const uint64_t mapped = end - kBlock;
    while (pos < mapped) {
        const DataExtent data = nextData ? nextData(pos) : DataExtent{pos, mapped};
        if (data.begin >= mapped || data.end <= data.begin)
            break;
        for (uint64_t at = std::max(pos, data.begin); at < std::min(data.end, mapped); at += kBlock) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, std::min(data.end, mapped) - at));
            if ((budget -= static_cast<int64_t>(want)) < 0 || !zerosAt(at, want))
                return false;
        }
        pos = data.end;
    }
    return true;
}

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

TrailerInfo ClassifyTrailer(const ReadAtFunction& readAt, int64_t imageStart, int64_t offset, int64_t size,
                            const NextDataFunction& nextData)
{
    TrailerInfo trailer;
    if (size <= 0 || offset < 0)
        return trailer;
    trailer.Offset = offset;
    trailer.Size = size;

    std::array<uint8_t, 64> head{};
    const size_t headSize = readAt(static_cast<uint64_t>(offset), head.data(),
                                   static_cast<size_t>(std::min<int64_t>(size, head.size())));
    if (const std::optional<TrailerKind> image = FurtherImage(readAt, imageStart, offset, head.data(), headSize)) {
        trailer.Kind = *image;
        return trailer;
    }
    if (headSize >= 8 && std::memcmp(head.data() + 4, "ftyp", 4) == 0) {
        trailer.Kind = TrailerKind::Mp4;
        return trailer;
    }
    if (headSize >= kMotionPhotoMarker.size()
        && std::memcmp(head.data(), kMotionPhotoMarker.data(), kMotionPhotoMarker.size()) == 0) {
        trailer.Kind = TrailerKind::Unknown;
        const int64_t video = VideoAfterMarker(readAt, offset + static_cast<int64_t>(kMotionPhotoMarker.size()),
                                               offset + size);
        if (video >= 0) {
            trailer.Kind = TrailerKind::Mp4;
            trailer.Offset = video;
            trailer.Size = offset + size - video;
        }
        return trailer;
    }
    if (headSize >= 4 && head[0] == 'P' && head[1] == 'K'
        && ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
        trailer.Kind = TrailerKind::Zip;
        return trailer;
    }
    trailer.Kind = size <= kTrailerReadLimit ? ZerosOrText(readAt, offset, size)
                                             : (LongZeros(readAt, nextData, offset, size) ? TrailerKind::Zeros
                                                                                          : TrailerKind::Unknown);
    return trailer;
}
