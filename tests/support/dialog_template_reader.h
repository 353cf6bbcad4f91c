// What the tests need to know of a classic dialog template (DLGTEMPLATE) as
// a module's resources hold it: the dialog's style, size, font and title,
// and each control's style, rectangle, id, class and text. The property
// sheet creates its pages from these templates, so they decide what the
// user sees and which control ids the pages find.
//
// The reader parses whatever bytes it is given: every string, count and
// offset is checked against the resource's size before it is used.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "platform/windows_api.h"
#endif

namespace torvex::testing {

// The system's control classes, which templates usually name by ordinal.
constexpr std::uint16_t kButtonClassOrdinal = 0x0080;
constexpr std::uint16_t kStaticClassOrdinal = 0x0082;

struct DialogResourceControl {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t cx = 0;
    std::int16_t cy = 0;
    std::uint16_t id = 0;
    // A named class as the template spells it; a class given by ordinal by
    // the system's name for it ("BUTTON", "STATIC", ...), with the ordinal
    // kept in `classOrdinal` (0 for a named class).
    std::string className;
    std::uint16_t classOrdinal = 0;
    // The text; "#<n>" when the template gives a resource ordinal instead.
    std::string text;
    // Bytes of creation data after their size word (none in our templates).
    std::uint16_t creationDataBytes = 0;
};

struct DialogResource {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t cx = 0;
    std::int16_t cy = 0;
    // Empty when the template has none, "#<n>" for an ordinal.
    std::string menu;
    std::string windowClass;
    std::string title;
    // Present only with DS_SETFONT in the style.
    std::uint16_t pointSize = 0;
    std::string fontName;
    std::vector<DialogResourceControl> controls;
};

// Parses one classic template held in memory (texts as UTF-8). False, with
// `*error` saying what and where, for an extended template (DIALOGEX) and
// for anything that runs past the end of `bytes`.
bool ParseDialogTemplate(std::span<const std::uint8_t> bytes, DialogResource* dialog, std::string* error);

#if defined(_WIN32)
// The bytes of resource `id` of `type` in `module`: a module that is
// running, or one loaded with LOAD_LIBRARY_AS_DATAFILE. They stay valid as
// long as the module is loaded.
bool FindModuleResource(HMODULE module, LPCSTR type, WORD id, std::span<const std::uint8_t>* bytes,
                        std::string* error);

// Finds dialog template `id` in `module` and parses it.
bool ReadDialogTemplate(HMODULE module, WORD id, DialogResource* dialog, std::string* error);
#endif

} // namespace torvex::testing
