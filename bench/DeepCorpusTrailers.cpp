#include "DeepCorpusTrailers.h"

#include <cstring>
#include <string_view>

uint64_t CorpusRandom::next()
{
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void CorpusRandom::fill(uint8_t* out, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>(next() >> 56);
}

namespace {

class ByteWriter {
public:
    explicit ByteWriter(bool bigEndian) : bigEndian_(bigEndian) {}
    void u8(uint8_t value) { bytes.push_back(value); }
    void u16(uint32_t value) { put(value, 2); }
    void u32(uint32_t value) { put(value, 4); }
    void text(std::string_view value) { bytes.insert(bytes.end(), value.begin(), value.end()); }
    std::vector<uint8_t> bytes;

private:
    void put(uint32_t value, int width)
    {
        for (int i = 0; i < width; ++i) {
            const int shift = bigEndian_ ? 8 * (width - 1 - i) : 8 * i;
            bytes.push_back(static_cast<uint8_t>(value >> shift));
        }
    }
    bool bigEndian_;
};

uint32_t crc32Of(const std::vector<uint8_t>& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// MP Format (CIPA DC-007) tags and image attributes.
constexpr uint16_t kMpfVersion = 0xB000;
constexpr uint16_t kNumberOfImages = 0xB001;
constexpr uint16_t kMpEntry = 0xB002;
constexpr uint32_t kPrimaryImage = 0x20030000;  // representative, baseline MP primary image
constexpr uint32_t kLargeThumbnail = 0x00010001;  // large thumbnail (VGA class)

}  // namespace

std::vector<uint8_t> WithMpfSecondImage(const std::vector<uint8_t>& first, size_t insertAt,
                                        const std::vector<uint8_t>& second, bool bigEndian)
{
    constexpr uint32_t entryCount = 3;
    constexpr uint32_t ifdOffset = 8;
    constexpr uint32_t entriesOffset = ifdOffset + 2 + entryCount * 12 + 4;
    constexpr uint32_t mpEntryBytes = 2 * 16;
    constexpr uint32_t segmentLength = 2 + 4 + entriesOffset + mpEntryBytes;
    const size_t firstSize = first.size() + 2 + segmentLength;
    // The MP header's byte-order mark follows the marker, the length and "MPF\0".
    const size_t headerOffset = insertAt + 2 + 2 + 4;

    ByteWriter segment(bigEndian);
    segment.u8(0xFF);
    segment.u8(0xE2);
    segment.bytes.push_back(static_cast<uint8_t>(segmentLength >> 8));
    segment.bytes.push_back(static_cast<uint8_t>(segmentLength));
    segment.text(std::string_view("MPF\0", 4));
    segment.text(bigEndian ? "MM" : "II");
    segment.u16(0x002A);
    segment.u32(ifdOffset);
    segment.u16(entryCount);
    segment.u16(kMpfVersion);
    segment.u16(7);  // UNDEFINED
    segment.u32(4);
    segment.text("0100");
    segment.u16(kNumberOfImages);
    segment.u16(4);  // LONG
    segment.u32(1);
    segment.u32(2);
    segment.u16(kMpEntry);
    segment.u16(7);
    segment.u32(mpEntryBytes);
    segment.u32(entriesOffset);
    segment.u32(0);  // no further IFD
    segment.u32(kPrimaryImage);
    segment.u32(static_cast<uint32_t>(firstSize));
    segment.u32(0);  // the first image's offset is 0 by definition
    segment.u16(0);
    segment.u16(0);
    segment.u32(kLargeThumbnail);
    segment.u32(static_cast<uint32_t>(second.size()));
    segment.u32(static_cast<uint32_t>(firstSize - headerOffset));
    segment.u16(0);
    segment.u16(0);

    std::vector<uint8_t> file(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(insertAt));
    file.insert(file.end(), segment.bytes.begin(), segment.bytes.end());
    file.insert(file.end(), first.begin() + static_cast<std::ptrdiff_t>(insertAt), first.end());
    file.insert(file.end(), second.begin(), second.end());
    return file;
}

std::vector<uint8_t> IsoMediaFile(CorpusRandom& random, size_t mediaBytes)
{
    ByteWriter box(true);
    box.u32(24);
    box.text("ftypmp42");
    box.u32(0);
    box.text("isommp42");
    box.u32(static_cast<uint32_t>(8 + mediaBytes));
    box.text("mdat");
    const size_t start = box.bytes.size();
    box.bytes.resize(start + mediaBytes);
    random.fill(box.bytes.data() + start, mediaBytes);
    return box.bytes;
}

std::vector<uint8_t> ZipArchive()
{
    const std::string_view name = "notes.txt";
    const std::string_view body = "Shot list for the afternoon session.\nKeep the originals.\n";
    const std::vector<uint8_t> content(body.begin(), body.end());
    const uint32_t crc = crc32Of(content);
    const auto size = static_cast<uint32_t>(content.size());
    constexpr uint16_t dosTime = 0x6000;  // 12:00:00
    constexpr uint16_t dosDate = 0x5B88;  // 2025-12-08

    ByteWriter zip(false);
    zip.u32(0x04034B50);  // local file header
    zip.u16(20);
    zip.u16(0);
    zip.u16(0);  // stored
    zip.u16(dosTime);
    zip.u16(dosDate);
    zip.u32(crc);
    zip.u32(size);
    zip.u32(size);
    zip.u16(static_cast<uint32_t>(name.size()));
    zip.u16(0);
    zip.text(name);
    zip.text(body);
    const auto directoryOffset = static_cast<uint32_t>(zip.bytes.size());
    zip.u32(0x02014B50);  // central directory header
    zip.u16(20);
    zip.u16(20);
    zip.u16(0);
    zip.u16(0);
    zip.u16(dosTime);
    zip.u16(dosDate);
    zip.u32(crc);
    zip.u32(size);
    zip.u32(size);
    zip.u16(static_cast<uint32_t>(name.size()));
    zip.u16(0);
    zip.u16(0);
    zip.u16(0);
    zip.u16(0);
    zip.u32(0);
    zip.u32(0);  // the local header's offset
    zip.text(name);
    const auto directorySize = static_cast<uint32_t>(zip.bytes.size()) - directoryOffset;
    zip.u32(0x06054B50);  // end of central directory
    zip.u16(0);
    zip.u16(0);
    zip.u16(1);
    zip.u16(1);
    zip.u32(directorySize);
    zip.u32(directoryOffset);
    zip.u16(0);
    return zip.bytes;
}

std::vector<uint8_t> PlainText()
{
    const std::string_view text =
        "Edited 2025-12-08 12:00:00\r\n"
        "Copyright (c) the photographer. All rights reserved.\r\n"
        "Caption: harbour at dusk, looking west\r\n";
    return {text.begin(), text.end()};
}

std::vector<uint8_t> RandomBytes(CorpusRandom& random, size_t size)
{
    std::vector<uint8_t> bytes(size);
    random.fill(bytes.data(), size);
    // A control byte first: not FF D8, "PK", zeros or text.
    if (!bytes.empty())
        bytes[0] = 0x9C;
    return bytes;
}
