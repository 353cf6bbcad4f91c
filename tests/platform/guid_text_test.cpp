#include "platform/guid_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/windows_api.h"

namespace torvex {
namespace {

// Every field and every byte different, so that a swapped field or a byte
// written in the wrong place shows.
constexpr GUID kDistinctBytes = {
    0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
constexpr char kDistinctBytesText[] = "{01234567-89AB-CDEF-FEDC-BA9876543210}";

bool SameBytes(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

TEST(GuidText, WritesTheRegistryFormOfKnownGuids)
{
    EXPECT_EQ(GuidToString(IID_IDirectInputEffectDriver), "{02538130-898F-11D0-9AD0-00A0C9A06E35}");
    EXPECT_EQ(GuidToString(GUID_ConstantForce), "{13541C20-8E33-11D0-9AD0-00A0C9A06E35}");
    EXPECT_EQ(GuidToString(GUID_CustomForce), "{13541C2B-8E33-11D0-9AD0-00A0C9A06E35}");
    EXPECT_EQ(GuidToString(IID_IDIGameCntrlPropSheet), "{7854FB22-8EE3-11D0-A1AC-0000F8026977}");
    EXPECT_EQ(GuidToString(GUID_HidInterfaceClass), "{4D1E55B2-F16F-11CF-88CB-001111000030}");
    EXPECT_EQ(GuidToString(IID_IDirectInputJoyConfig), "{1DE12AB1-C9F5-11CF-BFC7-444553540000}");
    EXPECT_EQ(GuidToString(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
}

TEST(GuidText, WritesEachFieldInPlaceWithLeadingZeros)
{
    EXPECT_EQ(GuidToString(kDistinctBytes), kDistinctBytesText);
    EXPECT_EQ(GuidToString(GUID{}), "{00000000-0000-0000-0000-000000000000}");
    const GUID ones = {0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(GuidToString(ones), "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}");
    const GUID small = {0x1, 0x2, 0x3, {0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0xA, 0xB}};
    EXPECT_EQ(GuidToString(small), "{00000001-0002-0003-0405-060708090A0B}");
}

TEST(GuidText, ReadsBackWhatItWrites)
{
    for (const GUID* guid : {&kDistinctBytes, &IID_IDirectInputEffectDriver, &GUID_ConstantForce,
                             &IID_IDIGameCntrlPropSheet, &GUID_HidInterfaceClass, &IID_IUnknown}) {
        GUID parsed{};
        ASSERT_TRUE(ParseGuid(GuidToString(*guid), &parsed)) << GuidToString(*guid);
        EXPECT_TRUE(SameBytes(parsed, *guid)) << GuidToString(*guid);
    }
}

TEST(GuidText, ReadsEitherCase)
{
    GUID parsed{};
    ASSERT_TRUE(ParseGuid("{4d1e55b2-f16f-11cf-88cb-001111000030}", &parsed));
    EXPECT_TRUE(SameBytes(parsed, GUID_HidInterfaceClass));

    ASSERT_TRUE(ParseGuid("{01234567-89ab-CDef-fEdC-Ba9876543210}", &parsed));
    EXPECT_TRUE(SameBytes(parsed, kDistinctBytes));
}

TEST(GuidText, RejectsMalformedText)
{
    const char* const malformed[] = {
        "",
        "{}",
        "01234567-89AB-CDEF-FEDC-BA9876543210",    // no braces
        "{01234567-89AB-CDEF-FEDC-BA9876543210",   // no closing brace
        "01234567-89AB-CDEF-FEDC-BA9876543210}",   // no opening brace
        "(01234567-89AB-CDEF-FEDC-BA9876543210)",  // wrong brackets
        "{01234567-89AB-CDEF-FEDC-BA9876543210}}", // one too many
        "{01234567-89AB-CDEF-FEDC-BA987654321}",   // one digit short
        "{0123456-789AB-CDEF-FEDC-BA9876543210}",  // dash moved
        "{01234567_89AB-CDEF-FEDC-BA9876543210}",  // not a dash
        "{01234567-89ABCCDEF-FEDC-BA9876543210}",  // dash missing
        "{01234567-89AB-CDEF-FEDCBBA9876543210}",  // last dash missing
        "{0123456G-89AB-CDEF-FEDC-BA9876543210}",  // non-hex in Data1
        "{01234567-89AG-CDEF-FEDC-BA9876543210}",  // in Data2
        "{01234567-89AB-CDEX-FEDC-BA9876543210}",  // in Data3
        "{01234567-89AB-CDEF-FEDZ-BA9876543210}",  // in the first two bytes
        "{01234567-89AB-CDEF-FEDC-BA987654321g}",  // in the last byte
        "{+1234567-89AB-CDEF-FEDC-BA9876543210}",  // a sign is not a digit
        "{ 1234567-89AB-CDEF-FEDC-BA9876543210}",  // nor is a blank
        "{0x234567-89AB-CDEF-FEDC-BA9876543210}",  // nor a prefix
        " {01234567-89AB-CDEF-FEDC-BA9876543210}", // surrounding blanks
        "{01234567-89AB-CDEF-FEDC-BA9876543210} ",
        "{01234567-89AB-CDEF-FEDC-BA98-76543210}", // a dash too many
    };
    for (const char* text : malformed) {
        GUID parsed = kDistinctBytes;
        EXPECT_FALSE(ParseGuid(text, &parsed)) << '"' << text << '"';
        EXPECT_TRUE(SameBytes(parsed, kDistinctBytes)) << "changed by \"" << text << '"';
    }
}

TEST(GuidText, RejectsEmbeddedAndTrailingNul)
{
    GUID parsed{};
    const std::string embedded("{01234567-89AB-CDEF-FEDC-BA98\0"
                               "6543210}",
                               38);
    EXPECT_FALSE(ParseGuid(embedded, &parsed));
    const std::string trailing(std::string(kDistinctBytesText) + '\0');
    EXPECT_FALSE(ParseGuid(trailing, &parsed));
}

TEST(GuidText, ReadsOnlyTheGivenCharacters)
{
    // The first 37 characters of a valid GUID, in a buffer of exactly that
    // size: a parser that peeks at the 38th for the closing brace would read
    // past the end (and a sanitized build reports it).
    const std::size_t length = sizeof(kDistinctBytesText) - 2;
    const auto buffer = std::make_unique<char[]>(length);
    std::memcpy(buffer.get(), kDistinctBytesText, length);
    GUID parsed{};
    EXPECT_FALSE(ParseGuid(std::string_view(buffer.get(), length), &parsed));

    // A valid GUID followed by more text is read only when the view ends
    // at the closing brace.
    const std::string followed = std::string(kDistinctBytesText) + "\\InprocServer32";
    EXPECT_FALSE(ParseGuid(followed, &parsed));
    ASSERT_TRUE(ParseGuid(std::string_view(followed).substr(0, 38), &parsed));
    EXPECT_TRUE(SameBytes(parsed, kDistinctBytes));
}

TEST(GuidText, RejectsANullDestination)
{
    EXPECT_FALSE(ParseGuid(kDistinctBytesText, nullptr));
}

TEST(GuidEquality, TellsApartGuidsThatDifferInAnyField)
{
    const GUID same = kDistinctBytes;
    EXPECT_TRUE(same == kDistinctBytes);
    EXPECT_FALSE(same != kDistinctBytes);
    EXPECT_TRUE(IsEqualGUID(same, kDistinctBytes));

    GUID other = kDistinctBytes;
    other.Data1 ^= 0x80000000u;
    EXPECT_TRUE(other != kDistinctBytes);
    other = kDistinctBytes;
    other.Data2 ^= 1;
    EXPECT_TRUE(other != kDistinctBytes);
    other = kDistinctBytes;
    other.Data3 ^= 0x8000;
    EXPECT_TRUE(other != kDistinctBytes);
    for (std::size_t i = 0; i < 8; ++i) {
        other = kDistinctBytes;
        other.Data4[i] ^= 1;
        EXPECT_FALSE(other == kDistinctBytes) << "Data4[" << i << "]";
        EXPECT_FALSE(IsEqualGUID(other, kDistinctBytes)) << "Data4[" << i << "]";
    }
}

TEST(GuidEquality, DistinguishesTheInterfacesTheServersAnswerFor)
{
    // QueryInterface answers by comparing IIDs; these must never collide.
    const GUID* const iids[] = {&IID_IUnknown,
                                &IID_IClassFactory,
                                &IID_IDirectInputEffectDriver,
                                &IID_IDIGameCntrlPropSheet,
                                &IID_IDirectInputJoyConfig,
                                &IID_IDirectInputDevice2A,
                                &IID_IDirectInputEffect};
    for (const GUID* a : iids) {
        for (const GUID* b : iids)
            EXPECT_EQ(*a == *b, a == b) << GuidToString(*a) << " vs " << GuidToString(*b);
    }
}

} // namespace
} // namespace torvex
