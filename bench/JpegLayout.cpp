#include "JpegLayout.h"

#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string("JpegLayout: ") + what);
}

bool isRestart(uint8_t code) { return code >= 0xD0 && code <= 0xD7; }

// Offset of the first marker after entropy-coded data starting at pos: stuffed
// zeros and restart markers belong to the data, fill bytes to the marker.
size_t endOfEntropyCodedData(const std::vector<uint8_t>& bytes, size_t pos)
{
    while (pos + 1 < bytes.size()) {
        if (bytes[pos] != 0xFF) {
            ++pos;
            continue;
        }
        const uint8_t next = bytes[pos + 1];
        if (next == 0x00 || isRestart(next)) {
            pos += 2;
            continue;
        }
        return pos;
    }
    fail("scan runs to the end of the file");
}

}  // namespace

JpegLayout ReadJpegLayout(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        fail("no SOI");
    JpegLayout layout;
    layout.afterAppSegments = 2;
    bool leadingApps = true;
    size_t pos = 2;
    while (pos + 1 < bytes.size()) {
        if (bytes[pos] != 0xFF)
            fail("no marker where one belongs");
        const uint8_t code = bytes[pos + 1];
        if (code == 0xFF) {
            ++pos;
            continue;
        }
        if (code == 0xD9) {
            layout.imageEnd = pos + 2;
            return layout;
        }
        if (pos + 4 > bytes.size())
            fail("segment length cut off");
        const size_t length = size_t{bytes[pos + 2]} << 8 | bytes[pos + 3];
        if (length < 2 || length > bytes.size() - pos - 2)
            fail("segment runs past the file");
        pos += 2 + length;
        const bool app = code >= 0xE0 && code <= 0xEF;
        leadingApps = leadingApps && app;
        if (leadingApps)
            layout.afterAppSegments = pos;
        if (code == 0xDA) {
            const size_t end = endOfEntropyCodedData(bytes, pos);
            layout.scans.push_back({pos, end});
            pos = end;
        }
    }
    fail("no EOI");
}
