#include "tests/support/dialog_template_reader.h"

#include <utility>

namespace torvex::testing {

namespace {

constexpr std::uint32_t kDsSetFont = 0x40;
constexpr std::uint16_t kOrdinalMarker = 0xFFFF;
constexpr std::uint16_t kExtendedSignature = 0xFFFF;
constexpr std::size_t kDialogHeaderSize = 18;
constexpr std::size_t kControlHeaderSize = 18;

std::string ClassNameOfOrdinal(std::uint16_t ordinal)
{
    switch (ordinal) {
    case kButtonClassOrdinal:
        return "BUTTON";
    case 0x0081:
        return "EDIT";
    case kStaticClassOrdinal:
        return "STATIC";
    case 0x0083:
        return "LISTBOX";
    case 0x0084:
        return "SCROLLBAR";
    case 0x0085:
        return "COMBOBOX";
    default:
        return "#" + std::to_string(ordinal);
    }
}

void AppendUtf8(std::string* text, std::uint16_t unit)
{
    if (unit < 0x80) {
        text->push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
        text->push_back(static_cast<char>(0xC0 | (unit >> 6)));
        text->push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
        text->push_back(static_cast<char>(0xE0 | (unit >> 12)));
        text->push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        text->push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
}

// A name or an ordinal, as the template's variable-length fields hold them.
struct NameOrOrdinal {
    std::string name;
    std::uint16_t ordinal = 0;
    bool isOrdinal = false;

    std::string Text() const { return isOrdinal ? "#" + std::to_string(ordinal) : name; }
};

class TemplateReader {
public:
    explicit TemplateReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Parse(DialogResource* dialog)
    {
        *dialog = DialogResource{};
        std::uint16_t count = 0;
        if (!ReadDialogHeader(dialog, &count) || !ReadDialogNames(dialog)) {
            return false;
        }
        for (std::uint16_t i = 0; i < count; ++i) {
            DialogResourceControl control;
            if (!ReadControl(i, &control)) {
                return false;
            }
            dialog->controls.push_back(std::move(control));
        }
        return true;
    }

    const std::string& error() const { return error_; }

private:
    bool Fail(std::string message)
    {
        error_ = std::move(message) + " at byte " + std::to_string(offset_) + " of " +
                 std::to_string(bytes_.size());
        return false;
    }

    template <typename T> bool Read(T* value, const char* what)
    {
        if (bytes_.size() - offset_ < sizeof(T)) {
            return Fail(std::string("template ends inside ") + what);
        }
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            bits |= std::uint64_t{bytes_[offset_ + i]} << (8 * i);
        }
        offset_ += sizeof(T);
        *value = static_cast<T>(bits);
        return true;
    }

    bool ReadString(std::string* text, const char* what)
    {
        text->clear();
        for (;;) {
            std::uint16_t unit = 0;
            if (!Read(&unit, what)) {
                return false;
            }
            if (unit == 0) {
                return true;
            }
            AppendUtf8(text, unit);
        }
    }

    bool ReadNameOrOrdinal(NameOrOrdinal* value, const char* what)
    {
        *value = NameOrOrdinal{};
        std::uint16_t first = 0;
        if (!Read(&first, what)) {
            return false;
        }
        if (first == kOrdinalMarker) {
            value->isOrdinal = true;
            return Read(&value->ordinal, what);
        }
        if (first == 0) {
            return true;
        }
        AppendUtf8(&value->name, first);
        std::string rest;
        if (!ReadString(&rest, what)) {
            return false;
        }
        value->name += rest;
        return true;
    }

    bool AlignTo(std::size_t boundary, const char* what)
    {
        const std::size_t aligned = (offset_ + boundary - 1) / boundary * boundary;
        if (aligned > bytes_.size()) {
            return Fail(std::string("template ends before ") + what);
        }
        offset_ = aligned;
        return true;
    }

    bool ReadDialogHeader(DialogResource* dialog, std::uint16_t* count)
    {
        if (bytes_.size() < kDialogHeaderSize) {
            return Fail("template shorter than its header");
        }
        // An extended template starts with its version 1 and 0xFFFF where a
        // classic one has its style.
        const std::uint16_t version = static_cast<std::uint16_t>(bytes_[0] | bytes_[1] << 8);
        const std::uint16_t signature = static_cast<std::uint16_t>(bytes_[2] | bytes_[3] << 8);
        if (version == 1 && signature == kExtendedSignature) {
            return Fail("extended template (DLGTEMPLATEEX), not a classic one");
        }
        return Read(&dialog->style, "style") && Read(&dialog->exStyle, "extended style") &&
               Read(count, "control count") && Read(&dialog->x, "x") && Read(&dialog->y, "y") &&
               Read(&dialog->cx, "width") && Read(&dialog->cy, "height");
    }

    bool ReadDialogNames(DialogResource* dialog)
    {
        NameOrOrdinal menu;
        NameOrOrdinal windowClass;
        if (!ReadNameOrOrdinal(&menu, "menu") || !ReadNameOrOrdinal(&windowClass, "dialog class") ||
            !ReadString(&dialog->title, "title")) {
            return false;
        }
        dialog->menu = menu.Text();
        dialog->windowClass = windowClass.Text();
        if ((dialog->style & kDsSetFont) != 0) {
            return Read(&dialog->pointSize, "point size") && ReadString(&dialog->fontName, "font name");
        }
        return true;
    }

    bool ReadControl(std::uint16_t index, DialogResourceControl* control)
    {
        const std::string where = "control " + std::to_string(index);
        if (!AlignTo(4, where.c_str())) {
            return false;
        }
        if (bytes_.size() - offset_ < kControlHeaderSize) {
            return Fail(where + " is cut short");
        }
        NameOrOrdinal windowClass;
        NameOrOrdinal text;
        if (!Read(&control->style, "control style") || !Read(&control->exStyle, "control extended style") ||
            !Read(&control->x, "control x") || !Read(&control->y, "control y") ||
            !Read(&control->cx, "control width") || !Read(&control->cy, "control height") ||
            !Read(&control->id, "control id") || !ReadNameOrOrdinal(&windowClass, "control class") ||
            !ReadNameOrOrdinal(&text, "control text") ||
            !Read(&control->creationDataBytes, "creation data size")) {
            return false;
        }
        control->classOrdinal = windowClass.isOrdinal ? windowClass.ordinal : 0;
        control->className =
            windowClass.isOrdinal ? ClassNameOfOrdinal(windowClass.ordinal) : windowClass.name;
        control->text = text.Text();
        if (bytes_.size() - offset_ < control->creationDataBytes) {
            return Fail(where + "'s creation data runs past the end");
        }
        offset_ += control->creationDataBytes;
        return true;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
    std::string error_;
};

} // namespace

bool ParseDialogTemplate(std::span<const std::uint8_t> bytes, DialogResource* dialog, std::string* error)
{
    TemplateReader reader(bytes);
    if (reader.Parse(dialog)) {
        return true;
    }
    *error = reader.error();
    return false;
}

#if defined(_WIN32)
bool FindModuleResource(HMODULE module, LPCSTR type, WORD id, std::span<const std::uint8_t>* bytes,
                        std::string* error)
{
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (found == nullptr) {
        *error = "no resource " + std::to_string(id) + " (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    const DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        *error = "resource " + std::to_string(id) + " cannot be loaded";
        return false;
    }
    *bytes = std::span(static_cast<const std::uint8_t*>(data), size);
    return true;
}

bool ReadDialogTemplate(HMODULE module, WORD id, DialogResource* dialog, std::string* error)
{
    std::span<const std::uint8_t> bytes;
    return FindModuleResource(module, RT_DIALOG, id, &bytes, error) &&
           ParseDialogTemplate(bytes, dialog, error);
}
#endif

} // namespace torvex::testing
