#include "platform/sim/registry_file.h"

#include <cstddef>
#include <fstream>
#include <limits>
#include <new>
#include <utility>

namespace torvex {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

// regedit keeps exported lines within this many characters, the
// continuation backslash included.
constexpr std::size_t kMaxLineLength = 80;

struct RootName {
    const char* name;
    HKEY root;
};

// Not constexpr: the root handles are casts of integers.
const RootName* Roots(std::size_t* count)
{
    static const RootName roots[] = {
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {"HKEY_USERS", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    *count = sizeof(roots) / sizeof(roots[0]);
    return roots;
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s)
{
    std::size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1]))
        --n;
    return s.substr(0, n);
}

std::string_view Trim(std::string_view s)
{
    return TrimRight(TrimLeft(s));
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to `maxDigits` hex digits and nothing else.
bool ParseHexNumber(std::string_view digits, std::size_t maxDigits, DWORD* value)
{
    if (digits.empty() || digits.size() > maxDigits)
        return false;
    DWORD result = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return false;
        result = static_cast<DWORD>((result << 4) | static_cast<DWORD>(digit));
    }
    *value = result;
    return true;
}

// Each 16-bit unit becomes one byte; what a single byte cannot hold reads
// as '?', as the ANSI registry functions would show it.
void NarrowUtf16(const unsigned char* bytes, std::size_t size, std::string* out)
{
    out->reserve(out->size() + size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const unsigned unit = bytes[i] | (static_cast<unsigned>(bytes[i + 1]) << 8);
        out->push_back(unit > 0xFF ? '?' : static_cast<char>(unit));
    }
}

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next line without its LF or CRLF; false past the last one.
    bool Next(std::string_view* line)
    {
        if (pos_ >= text_.size())
            return false;
        if (number_ < std::numeric_limits<int>::max())
            ++number_;
        std::size_t end = text_.find('\n', pos_);
        std::size_t next = end;
        if (end == std::string_view::npos) {
            end = text_.size();
            next = end;
        } else {
            next = end + 1;
        }
        if (end > pos_ && text_[end - 1] == '\r')
            --end;
        *line = text_.substr(pos_, end - pos_);
        pos_ = next;
        return true;
    }

    int number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

class Parser {
public:
    Parser(std::string_view text, RegistryFile* file, RegistryFileError* error)
        : reader_(text), file_(file), error_(error)
    {
    }

    bool Run();

private:
    bool Fail(int line, std::string_view message);
    bool ParseSection(std::string_view s, int line);
    bool ParseValue(std::string_view s, int line);
    bool ParseQuoted(std::string_view s, std::size_t* pos, std::string* out, int line, std::string_view what);
    bool ParseHexData(std::string_view s, int line, DWORD type, RegistryFileValue* value);

    LineReader reader_;
    RegistryFile* file_;
    RegistryFileError* error_;
};

bool Parser::Fail(int line, std::string_view message)
{
    if (error_ != nullptr) {
        error_->line = line;
        error_->message = "line " + std::to_string(line) + ": ";
        error_->message += message;
    }
    return false;
}

bool Parser::Run()
{
    std::string_view raw;
    bool headerSeen = false;
    while (reader_.Next(&raw)) {
        const int line = reader_.number();
        if (!headerSeen) {
            const std::string_view header = TrimRight(raw);
            if (header.empty())
                continue;
            if (header == kHeader4) {
                file_->format = RegistryFileFormat::Regedit4;
            } else if (header == kHeader5) {
                file_->format = RegistryFileFormat::Regedit5;
            } else {
                return Fail(line, "expected \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"");
            }
            headerSeen = true;
            continue;
        }
        const std::string_view s = Trim(raw);
        if (s.empty() || s[0] == ';')
            continue;
        if (s[0] == '[') {
            if (!ParseSection(s, line))
                return false;
        } else if (s[0] == '"' || s[0] == '@') {
            if (file_->keys.empty())
                return Fail(line, "value before any [key] section");
            // Values under a [-key] section are kept with it; regedit would
            // ignore them, and whoever applies the file can say so.
            if (!ParseValue(s, line))
                return false;
        } else if (file_->keys.empty()) {
            return Fail(line, "expected a [key] section");
        } else {
            return Fail(line, "expected a quoted value name or @");
        }
    }
    if (!headerSeen)
        return Fail(1, "missing the REGEDIT4 or version 5.00 header");
    return true;
}

// `s` is trimmed and starts with '['.
bool Parser::ParseSection(std::string_view s, int line)
{
    if (s.size() < 2 || s.back() != ']') {
        return Fail(line, s.find(']') == std::string_view::npos ? "missing ']' after the key path"
                                                                : "unexpected text after ']'");
    }
    // Key names may themselves hold ']', so the section ends at the last one.
    std::string_view path = s.substr(1, s.size() - 2);
    RegistryFileKey key;
    if (!path.empty() && path[0] == '-') {
        key.deleted = true;
        path.remove_prefix(1);
    }
    const std::size_t slash = path.find('\\');
    const std::string_view rootName = path.substr(0, slash);
    const char* canonical = RegistryRootName(RegistryRootFromName(rootName));
    if (canonical == nullptr)
        return Fail(line, "unknown registry root \"" + std::string(rootName) + "\"");
    key.path = canonical;
    if (slash != std::string_view::npos) {
        const std::string_view rest = path.substr(slash + 1);
        if (rest.empty() || rest.back() == '\\')
            return Fail(line, "key path ends with a backslash");
        if (rest[0] == '\\' || rest.find("\\\\") != std::string_view::npos)
            return Fail(line, "empty key name in the key path");
        key.path += '\\';
        key.path += rest;
    }
    file_->keys.push_back(std::move(key));
    return true;
}

// `*pos` is at the opening quote; on success it is just past the closing one.
bool Parser::ParseQuoted(std::string_view s, std::size_t* pos, std::string* out, int line,
                         std::string_view what)
{
    std::size_t i = *pos + 1;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s.size())
                break;
            const char escaped = s[i + 1];
            if (escaped != '\\' && escaped != '"') {
                std::string message = "unknown escape \\";
                message += escaped;
                message += " in ";
                message += what;
                return Fail(line, message);
            }
            out->push_back(escaped);
            i += 2;
            continue;
        }
        out->push_back(c);
        ++i;
    }
    return Fail(line, "unterminated quoted " + std::string(what));
}

// `s` is trimmed and starts with '"' or '@'.
bool Parser::ParseValue(std::string_view s, int line)
{
    RegistryFileValue value;
    std::size_t pos = 0;
    if (s[0] == '@') {
        pos = 1;
    } else if (!ParseQuoted(s, &pos, &value.name, line, "value name")) {
        return false;
    }
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    if (pos >= s.size() || s[pos] != '=')
        return Fail(line, "expected '=' after the value name");
    ++pos;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    const std::string_view data = s.substr(pos);

    constexpr std::string_view kDword = "dword:";
    constexpr std::string_view kHex = "hex:";
    constexpr std::string_view kHexType = "hex(";
    if (data == "-") {
        value.deleted = true;
    } else if (!data.empty() && data[0] == '"') {
        std::string text;
        std::size_t end = 0;
        if (!ParseQuoted(data, &end, &text, line, "string"))
            return false;
        if (end != data.size())
            return Fail(line, "unexpected text after the closing quote");
        value.type = REG_SZ;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
    } else if (data.substr(0, kDword.size()) == kDword) {
        DWORD number = 0;
        if (!ParseHexNumber(data.substr(kDword.size()), 8, &number))
            return Fail(line, "dword: needs 1 to 8 hex digits");
        value.type = REG_DWORD;
        for (int shift = 0; shift < 32; shift += 8)
            value.data.push_back(static_cast<BYTE>((number >> shift) & 0xFF));
    } else if (data.substr(0, kHex.size()) == kHex) {
        if (!ParseHexData(data.substr(kHex.size()), line, REG_BINARY, &value))
            return false;
    } else if (data.substr(0, kHexType.size()) == kHexType) {
        const std::string_view rest = data.substr(kHexType.size());
        const std::size_t close = rest.find(')');
        DWORD type = 0;
        if (close == std::string_view::npos || !ParseHexNumber(rest.substr(0, close), 8, &type))
            return Fail(line, "hex(n): needs a type of 1 to 8 hex digits");
        if (close + 1 >= rest.size() || rest[close + 1] != ':')
            return Fail(line, "expected ':' after hex(n)");
        if (!ParseHexData(rest.substr(close + 2), line, type, &value))
            return false;
    } else {
        return Fail(line, "expected \"string\", dword:, hex:, hex(n): or - as the value data");
    }
    file_->keys.back().values.push_back(std::move(value));
    return true;
}

// One line's share of a hex list: comma-separated bytes of 1 or 2 digits.
bool ParseHexBytes(std::string_view s, std::vector<BYTE>* out)
{
    s = Trim(s);
    if (s.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = s.find(',', start);
        const std::string_view item =
            Trim(s.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        DWORD byte = 0;
        if (!ParseHexNumber(item, 2, &byte))
            return false;
        out->push_back(static_cast<BYTE>(byte));
        if (comma == std::string_view::npos)
            return true;
        start = comma + 1;
    }
}

// `s` is what follows "hex:" or "hex(n):" on the value's first line; the
// list may go on over further lines, each but the last ending in '\'.
bool Parser::ParseHexData(std::string_view s, int line, DWORD type, RegistryFileValue* value)
{
    value->type = type;
    std::vector<BYTE> bytes;
    for (;;) {
        s = Trim(s);
        const bool continued = !s.empty() && s.back() == '\\';
        if (continued) {
            s = TrimRight(s.substr(0, s.size() - 1));
            if (!s.empty() && s.back() == ',')
                s.remove_suffix(1);
        }
        if (!ParseHexBytes(s, &bytes))
            return Fail(line, "malformed hex byte (expected 1 or 2 hex digits between commas)");
        if (!continued)
            break;
        if (!reader_.Next(&s))
            return Fail(line, "hex data continues past the end of the file");
    }
    if (file_->format == RegistryFileFormat::Regedit5 && (type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
        if (bytes.size() % 2 != 0)
            return Fail(line, "odd number of bytes in UTF-16 data");
        std::string narrow;
        NarrowUtf16(bytes.data(), bytes.size(), &narrow);
        bytes.assign(narrow.begin(), narrow.end());
    }
    value->data = std::move(bytes);
    return true;
}

void AppendEscaped(std::string_view text, std::string* out)
{
    out->push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"')
            out->push_back('\\');
        out->push_back(c);
    }
    out->push_back('"');
}

// A string value can be written in quotes only if it reads back the same:
// exactly one terminator, at the end, and no line break inside.
bool IsQuotableString(const std::vector<BYTE>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 0 || data[i] == '\n' || data[i] == '\r')
            return false;
    }
    return true;
}

void AppendHexNumber(DWORD value, std::size_t minDigits, std::string* out)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    char buffer[8];
    std::size_t n = 0;
    do {
        buffer[n++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0 && n < sizeof(buffer));
    while (n < minDigits && n < sizeof(buffer))
        buffer[n++] = '0';
    while (n > 0)
        out->push_back(buffer[--n]);
}

// `lineStart` is where the value's line begins in `out`, so the first line
// counts the name and type prefix towards its length.
void AppendHexBytes(const std::vector<BYTE>& bytes, std::size_t lineStart, std::string* out)
{
    std::size_t lineLength = out->size() - lineStart;
    bool lineHasBytes = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        // "xx," plus the continuation backslash, or the final "xx".
        const std::size_t needed = last ? 2 : 4;
        if (lineHasBytes && lineLength + needed > kMaxLineLength) {
            out->append("\\\n  ");
            lineLength = 2;
        }
        const std::size_t before = out->size();
        AppendHexNumber(bytes[i], 2, out);
        if (!last)
            out->push_back(',');
        lineLength += out->size() - before;
        lineHasBytes = true;
    }
}

} // namespace

HKEY RegistryRootFromName(std::string_view name)
{
    std::size_t count = 0;
    const RootName* roots = Roots(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (EqualsIgnoringCase(name, roots[i].name))
            return roots[i].root;
    }
    return nullptr;
}

const char* RegistryRootName(HKEY root)
{
    std::size_t count = 0;
    const RootName* roots = Roots(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (roots[i].root == root)
            return roots[i].name;
    }
    return nullptr;
}

bool ParseRegistryFile(std::string_view text, RegistryFile* file, RegistryFileError* error)
{
    try {
        std::string narrowed;
        if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
            static_cast<unsigned char>(text[1]) == 0xFE) {
            if (text.size() % 2 != 0) {
                if (error != nullptr) {
                    error->line = 0;
                    error->message = "UTF-16 text with an odd number of bytes";
                }
                return false;
            }
            NarrowUtf16(reinterpret_cast<const unsigned char*>(text.data()) + 2, text.size() - 2, &narrowed);
            text = narrowed;
        } else if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
                   static_cast<unsigned char>(text[1]) == 0xBB &&
                   static_cast<unsigned char>(text[2]) == 0xBF) {
            text.remove_prefix(3);
        }
        // Built aside so that a failed parse leaves the caller's file alone.
        RegistryFile parsed;
        Parser parser(text, &parsed, error);
        if (!parser.Run())
            return false;
        if (file != nullptr)
            *file = std::move(parsed);
        return true;
    } catch (const std::bad_alloc&) {
        if (error != nullptr) {
            error->line = 0;
            error->message = "out of memory";
        }
        return false;
    }
}

bool LoadRegistryFile(const std::string& path, RegistryFile* file, RegistryFileError* error)
{
    try {
        std::ifstream in(path, std::ios::binary);
        std::string text;
        if (in.is_open()) {
            char buffer[4096];
            while (in.read(buffer, sizeof(buffer)) || in.gcount() > 0)
                text.append(buffer, static_cast<std::size_t>(in.gcount()));
        }
        if (!in.is_open() || in.bad()) {
            if (error != nullptr) {
                error->line = 0;
                error->message = "cannot read " + path;
            }
            return false;
        }
        return ParseRegistryFile(text, file, error);
    } catch (const std::bad_alloc&) {
        if (error != nullptr) {
            error->line = 0;
            error->message = "out of memory reading " + path;
        }
        return false;
    }
}

std::string WriteRegistryFile(const RegistryFile& file)
{
    const bool unicode = file.format == RegistryFileFormat::Regedit5;
    std::string out(unicode ? kHeader5 : kHeader4);
    out.push_back('\n');
    for (const RegistryFileKey& key : file.keys) {
        out.append(key.deleted ? "\n[-" : "\n[");
        out.append(key.path);
        out.append("]\n");
        for (const RegistryFileValue& value : key.values) {
            const std::size_t lineStart = out.size();
            if (value.name.empty())
                out.push_back('@');
            else
                AppendEscaped(value.name, &out);
            out.push_back('=');
            if (value.deleted) {
                out.push_back('-');
            } else if (value.type == REG_SZ && IsQuotableString(value.data)) {
                AppendEscaped(
                    std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1),
                    &out);
            } else if (value.type == REG_DWORD && value.data.size() == 4) {
                const DWORD number =
                    static_cast<DWORD>(value.data[0]) | (static_cast<DWORD>(value.data[1]) << 8) |
                    (static_cast<DWORD>(value.data[2]) << 16) | (static_cast<DWORD>(value.data[3]) << 24);
                out.append("dword:");
                AppendHexNumber(number, 8, &out);
            } else if (value.type == REG_BINARY) {
                out.append("hex:");
                AppendHexBytes(value.data, lineStart, &out);
            } else {
                out.append("hex(");
                AppendHexNumber(value.type, 1, &out);
                out.append("):");
                if (unicode && (value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ)) {
                    std::vector<BYTE> wide;
                    wide.reserve(value.data.size() * 2);
                    for (BYTE b : value.data) {
                        wide.push_back(b);
                        wide.push_back(0);
                    }
                    AppendHexBytes(wide, lineStart, &out);
                } else {
                    AppendHexBytes(value.data, lineStart, &out);
                }
            }
            out.push_back('\n');
        }
    }
    return out;
}

} // namespace torvex
