// SHA-256 through OpenSSL's EVP interface (which uses the processor's SHA
// extensions where it has them), fed by a JpegFileReader as it reads.
#pragma once

#include "inspection/JpegByteSource.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

using Sha256Bytes = std::array<uint8_t, 32>;

// One content at a time: start(), the bytes, finish(). One thread only.
class Sha256Digest final : public ContentSink {
public:
    Sha256Digest();
    ~Sha256Digest() override;
    Sha256Digest(const Sha256Digest&) = delete;
    Sha256Digest& operator=(const Sha256Digest&) = delete;

    void start();
    void take(const uint8_t* bytes, size_t count) override;
    Sha256Bytes finish();
    // Bytes taken since start().
    uint64_t count() const { return count_; }

private:
    struct Context;
    Context* context_;
    uint64_t count_ = 0;
};

Sha256Bytes Sha256Of(std::span<const uint8_t> bytes);

// 64 lower-case hex digits.
std::string Sha256Hex(const Sha256Bytes& digest);
// 64 hex digits of either case; false for anything else.
bool ParseSha256Hex(std::string_view text, Sha256Bytes& digest);
