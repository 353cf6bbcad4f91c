// printf-style formatting into a fixed buffer, for the registry paths and
// value names the DLLs build and the numbers the sheet shows.
#pragma once

#include <cstddef>

namespace torvex {

// Formats into `out` (room for `size` chars); the text is always
// terminated, and cut short when it does not fit. Only what every C runtime
// formats alike: %s, %d and %x with their width and precision.
void FormatText(char* out, std::size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

} // namespace torvex
