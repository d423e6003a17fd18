#include "paths/BytePath.h"
#include "platform/DisplayPath.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KvPath, DisplayTextFollowsUtf8ThenCp932ThenReplacement)
{
    EXPECT_EQ(DisplayPath("/写真/a.jpg"), QStringLiteral("/写真/a.jpg"));
    // "サンプル" in Shift_JIS: not UTF-8, but clean CP932.
    EXPECT_EQ(DisplayPath("/x/\x83\x54\x83\x93\x83\x76\x83\x8b/"), QStringLiteral("/x/サンプル/"));
    // 0xFF is neither UTF-8 nor CP932: shown with U+FFFD, never dropped.
    const QString broken = DisplayPath("/x/a\xff" "b");
    EXPECT_TRUE(broken.startsWith(QStringLiteral("/x/a")));
    EXPECT_TRUE(broken.contains(QChar(0xFFFD)));
    EXPECT_TRUE(broken.endsWith(u'b'));
}

TEST(KvPath, TrailingSlashAndComparisonAreByBytes)
{
    EXPECT_EQ(WithTrailingSlash("/a"), "/a/");
    EXPECT_EQ(WithTrailingSlash("/a/"), "/a/");
    EXPECT_EQ(WithTrailingSlash(""), "");
    EXPECT_EQ(WithoutTrailingSlash("/a//"), "/a");
    EXPECT_EQ(WithoutTrailingSlash("/"), "/");

    EXPECT_TRUE(SamePath("/x/Photos", "/x/Photos/"));
    EXPECT_FALSE(SamePath("/x/Photos/", "/x/photos/"));  // Linux names differ by case
    EXPECT_TRUE(SamePath("/", "/"));
    EXPECT_FALSE(SamePath("/x/\x83\x54/", "/x/\x83\x55/"));
}

TEST(KvPath, RelativeArgumentsBecomeAbsoluteAgainstTheWorkingFolder)
{
    EXPECT_EQ(AbsolutePath(".", "/home/u"), "/home/u/");
    EXPECT_EQ(AbsolutePath("good", "/home/u"), "/home/u/good");
    EXPECT_EQ(AbsolutePath("good/", "/home/u/"), "/home/u/good/");
    EXPECT_EQ(AbsolutePath("../v/a.jpg", "/home/u"), "/home/v/a.jpg");
    EXPECT_EQ(AbsolutePath("..", "/"), "/");
    EXPECT_EQ(AbsolutePath("/abs//x/./y", "/home/u"), "/abs/x/y");
    EXPECT_EQ(AbsolutePath("", "/home/u"), "");
    EXPECT_EQ(AbsolutePath("\x83\x54", "/home/u"), "/home/u/\x83\x54");
}

TEST(KvPath, FolderPartsKeepTheRootAsSlash)
{
    EXPECT_EQ(FolderOfPath("/a/b.jpg"), "/a/");
    EXPECT_EQ(FolderOfPath("/b.jpg"), "/");
    EXPECT_EQ(ParentFolder("/a/b/"), "/a/");
    EXPECT_EQ(ParentFolder("/a/"), "/");
    EXPECT_EQ(ParentFolder("/"), "");
    EXPECT_EQ(LastPathComponent("/a/b/"), "b");
    EXPECT_EQ(LastPathComponent("/"), "/");
}

}  // namespace
