#include "platform/guid_text.h"

#include <cstddef>
#include <cstdint>

namespace torvex {

namespace {

constexpr std::size_t kGuidTextLength = 38;

// Where each field's hex digits start in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
constexpr std::size_t kData1At = 1;
constexpr std::size_t kData2At = 10;
constexpr std::size_t kData3At = 15;
constexpr std::size_t kData4At[8] = {20, 22, 25, 27, 29, 31, 33, 35};
constexpr std::size_t kDashesAt[4] = {9, 14, 19, 24};

void PutHex(char* at, std::uint32_t value, int digits)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = kDigits[value & 0xF];
        value >>= 4;
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads `digits` hex digits at `at`; the caller has checked the length.
bool GetHex(std::string_view text, std::size_t at, int digits, std::uint32_t* value)
{
    std::uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexValue(text[at + i]);
        if (digit < 0)
            return false;
        result = (result << 4) | static_cast<std::uint32_t>(digit);
    }
    *value = result;
    return true;
}

} // namespace

std::string GuidToString(const GUID& guid)
{
    std::string text(kGuidTextLength, '-');
    text.front() = '{';
    text.back() = '}';
    PutHex(&text[kData1At], guid.Data1, 8);
    PutHex(&text[kData2At], guid.Data2, 4);
    PutHex(&text[kData3At], guid.Data3, 4);
    for (std::size_t i = 0; i < 8; ++i)
        PutHex(&text[kData4At[i]], guid.Data4[i], 2);
    return text;
}

bool ParseGuid(std::string_view text, GUID* out)
{
    if (out == nullptr || text.size() != kGuidTextLength)
        return false;
    if (text.front() != '{' || text.back() != '}')
        return false;
    for (const std::size_t at : kDashesAt) {
        if (text[at] != '-')
            return false;
    }

    GUID guid{};
    std::uint32_t value = 0;
    if (!GetHex(text, kData1At, 8, &value))
        return false;
    guid.Data1 = value;
    if (!GetHex(text, kData2At, 4, &value))
        return false;
    guid.Data2 = static_cast<WORD>(value);
    if (!GetHex(text, kData3At, 4, &value))
        return false;
    guid.Data3 = static_cast<WORD>(value);
    for (std::size_t i = 0; i < 8; ++i) {
        if (!GetHex(text, kData4At[i], 2, &value))
            return false;
        guid.Data4[i] = static_cast<BYTE>(value);
    }
    *out = guid;
    return true;
}

} // namespace torvex
