#include "common/format_text.h"

#include <cstdarg>
#include <cstdio>

namespace torvex {

void FormatText(char* out, std::size_t size, const char* format, ...)
{
    if (size == 0)
        return;
    va_list arguments;
    va_start(arguments, format);
#if defined(_WIN32)
    // msvcrt's own formatter, imported: the runtime's C99 one (linked in for
    // std::snprintf) is built for the Pentium Pro and brings its floating
    // point conversions along. _vsnprintf leaves a text that fills the
    // buffer unterminated.
    _vsnprintf(out, size, format, arguments);
    out[size - 1] = '\0';
#else
    std::vsnprintf(out, size, format, arguments);
#endif
    va_end(arguments);
}

} // namespace torvex
