#include "tests/sheet/resource_test_contract.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "resources/sheet_resources.h"

namespace torvex::testing {
namespace {

constexpr char kCaption[] = SHEET_CAPTION_TEXT;
constexpr int kCaptionLength = sizeof kCaption - 1;
constexpr UINT kMissingString = 2;
// Untouched buffer contents, to see what a call wrote.
constexpr char kUnwritten = 'x';
constexpr WCHAR kUnwrittenWide = 0xFFFF;

TEST_P(ResourcePortContract, LoadsTheCaptionWholeIntoTheSheetsBuffer)
{
    char buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), kUnwritten);

    ASSERT_EQ(resources().LoadText(module(), IDS_SHEET_CAPTION, buffer, 64), kCaptionLength);
    EXPECT_STREQ(buffer, kCaption);
    EXPECT_EQ(buffer[kCaptionLength + 1], kUnwritten);
}

TEST_P(ResourcePortContract, CutsAStringToOneCharacterLessThanTheBuffer)
{
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), kUnwritten);
    EXPECT_EQ(resources().LoadText(module(), IDS_SHEET_CAPTION, buffer, 8), 7);
    EXPECT_STREQ(buffer, "ZK-5120");
    EXPECT_EQ(buffer[8], kUnwritten);

    std::fill(std::begin(buffer), std::end(buffer), kUnwritten);
    EXPECT_EQ(resources().LoadText(module(), IDS_SHEET_CAPTION, buffer, 1), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], kUnwritten);
}

TEST_P(ResourcePortContract, RefusesABufferWithoutRoomOrAddress)
{
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), kUnwritten);
    EXPECT_EQ(resources().LoadText(module(), IDS_SHEET_CAPTION, buffer, 0), 0);
    EXPECT_EQ(resources().LoadText(module(), IDS_SHEET_CAPTION, buffer, -5), 0);
    EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](char c) { return c == kUnwritten; }));
    EXPECT_EQ(resources().LoadText(module(), IDS_SHEET_CAPTION, nullptr, 64), 0);
}

TEST_P(ResourcePortContract, AMissingStringLoadsAnEmptyOne)
{
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), kUnwritten);
    EXPECT_EQ(resources().LoadText(module(), kMissingString, buffer, 16), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(resources().LoadText(module(), 4000, buffer, 16), 0);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_P(ResourcePortContract, ConvertsExactlyTheGivenCharactersToWide)
{
    WCHAR wide[64];
    std::fill(std::begin(wide), std::end(wide), kUnwrittenWide);

    ASSERT_EQ(resources().ToWide(kCaption, kCaptionLength, wide, 64), kCaptionLength);
    for (int i = 0; i < kCaptionLength; ++i) {
        EXPECT_EQ(wide[i], static_cast<WCHAR>(kCaption[i])) << "character " << i;
    }
    // The sheet's zero-filled buffer supplies the terminator.
    EXPECT_EQ(wide[kCaptionLength], kUnwrittenWide);
}

TEST_P(ResourcePortContract, ConvertsTheTerminatorTooForLengthMinusOne)
{
    WCHAR wide[64];
    std::fill(std::begin(wide), std::end(wide), kUnwrittenWide);
    EXPECT_EQ(resources().ToWide(kCaption, -1, wide, 64), kCaptionLength + 1);
    EXPECT_EQ(wide[kCaptionLength - 1], static_cast<WCHAR>('l'));
    EXPECT_EQ(wide[kCaptionLength], 0);
}

TEST_P(ResourcePortContract, ReportsTheSizeForNoBufferAndRefusesOneTooSmall)
{
    EXPECT_EQ(resources().ToWide(kCaption, kCaptionLength, nullptr, 0), kCaptionLength);
    WCHAR wide[64];
    EXPECT_EQ(resources().ToWide(kCaption, kCaptionLength, wide, kCaptionLength - 1), 0);
    EXPECT_EQ(resources().ToWide(kCaption, 0, wide, 64), 0);
}

TEST_P(ResourcePortContract, LocalBlocksComeZeroFilledAndGoBack)
{
    constexpr SIZE_T kCaptionBytes = 128;
    auto* block = static_cast<unsigned char*>(resources().LocalAllocZeroed(kCaptionBytes));
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(std::all_of(block, block + kCaptionBytes, [](unsigned char b) { return b == 0; }));
    std::memset(block, 0xA5, kCaptionBytes);
    resources().LocalFreeBlock(block);
    resources().LocalFreeBlock(nullptr);
}

} // namespace
} // namespace torvex::testing
