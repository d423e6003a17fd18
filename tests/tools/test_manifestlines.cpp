// Manifest lines as sha256sum writes and reads them, one table each way.
#include "fixity/Sha256Manifest.h"

#include <gtest/gtest.h>

namespace {

const std::string kDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

Sha256Bytes digest()
{
    Sha256Bytes bytes{};
    ParseSha256Hex(kDigest, bytes);
    return bytes;
}

// The lines of sha256sum (GNU coreutils 9) for these names.
TEST(ManifestLines, AreWrittenAsSha256sumWritesThem)
{
    EXPECT_EQ(Sha256Hex(Sha256Of({})), kDigest);
    const struct {
        std::string path, line;
    } cases[] = {
        {"a/b.jpg", kDigest + "  a/b.jpg"},
        {"sp ace.jpg", kDigest + "  sp ace.jpg"},
        {"\xff\xfe.jpg", kDigest + "  \xff\xfe.jpg"},
        {"tab\t.jpg", kDigest + "  tab\t.jpg"},
        {"new\nline.jpg", "\\" + kDigest + "  new\\nline.jpg"},
        {"back\\slash.jpg", "\\" + kDigest + "  back\\\\slash.jpg"},
        {"cr\r.jpg", "\\" + kDigest + "  cr\\r.jpg"},
        {"\\\n\r", "\\" + kDigest + "  \\\\\\n\\r"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ManifestLine(digest(), c.path), c.line);
        ManifestEntry entry;
        ASSERT_TRUE(ParseManifestLine(c.line, entry)) << c.line;
        EXPECT_EQ(entry.path, c.path);
        EXPECT_TRUE(entry.sha256 == digest());
    }
}

TEST(ManifestLines, AreReadInEveryFormSha256sumReads)
{
    const std::string upper = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
    const struct {
        std::string line;
        bool valid;
        std::string path;
    } cases[] = {
        {kDigest + " *binary.jpg", true, "binary.jpg"},
        {upper + "  upper.jpg", true, "upper.jpg"},
        {"SHA256 (tagged (1).jpg) = " + kDigest, true, "tagged (1).jpg"},
        {"\\SHA256 (a\\nb.jpg) = " + kDigest, true, "a\nb.jpg"},
        {kDigest + "   lead space.jpg", true, " lead space.jpg"},
        {kDigest + " one-space.jpg", false, ""},
        {kDigest + "  ", false, ""},
        {kDigest.substr(1) + "  short.jpg", false, ""},
        {"g" + kDigest.substr(1) + "  hex.jpg", false, ""},
        {"\\" + kDigest + "  bad\\x.jpg", false, ""},
        {"\\" + kDigest + "  end\\", false, ""},
        {"SHA1 (x.jpg) = da39a3ee5e6b4b0d3255bfef95601890afd80709", false, ""},
        {"SHA256 (x.jpg) = " + kDigest.substr(2), false, ""},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        ManifestEntry entry;
        EXPECT_EQ(ParseManifestLine(c.line, entry), c.valid) << c.line;
        if (c.valid)
            EXPECT_EQ(entry.path, c.path) << c.line;
    }
}

}  // namespace
