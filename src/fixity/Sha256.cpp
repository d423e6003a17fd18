#include "fixity/Sha256.h"

#include <openssl/evp.h>

#include <new>
#include <stdexcept>

namespace {

// Fetched once: an implicit fetch on every init costs a lookup per file.
const EVP_MD* sha256Method()
{
    static EVP_MD* const method = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    if (!method)
        throw std::runtime_error("OpenSSL has no SHA-256");
    return method;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

struct Sha256Digest::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
};

Sha256Digest::Sha256Digest() : context_(new Context)
{
    if (!context_->md) {
        delete context_;
        throw std::bad_alloc();
    }
    start();
}

Sha256Digest::~Sha256Digest()
{
    EVP_MD_CTX_free(context_->md);
    delete context_;
}

void Sha256Digest::start()
{
    if (EVP_DigestInit_ex2(context_->md, sha256Method(), nullptr) != 1)
        throw std::runtime_error("SHA-256 cannot start");
    count_ = 0;
}

void Sha256Digest::take(const uint8_t* bytes, size_t count)
{
    if (EVP_DigestUpdate(context_->md, bytes, count) != 1)
        throw std::runtime_error("SHA-256 failed");
    count_ += count;
}

Sha256Bytes Sha256Digest::finish()
{
    Sha256Bytes digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->md, digest.data(), &length) != 1 || length != digest.size())
        throw std::runtime_error("SHA-256 failed");
    return digest;
}

Sha256Bytes Sha256Of(std::span<const uint8_t> bytes)
{
    Sha256Digest digest;
    digest.take(bytes.data(), bytes.size());
    return digest.finish();
}

std::string Sha256Hex(const Sha256Bytes& digest)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

bool ParseSha256Hex(std::string_view text, Sha256Bytes& digest)
{
    if (text.size() != 64)
        return false;
    for (size_t i = 0; i < 32; ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        digest[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}
