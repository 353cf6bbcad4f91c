#include "driver/scaled_amount.h"

namespace torvex {

#if defined(__i386__)

namespace {

// The x87 control word's precision (bits 8-9) and rounding (bits 10-11).
constexpr unsigned short kPrecisionAndRounding = 0x0F00;
constexpr unsigned short kDoublePrecisionToNearest = 0x0200;
constexpr unsigned short kExtendedPrecisionToNearest = 0x0300;

unsigned short ControlWord()
{
    unsigned short word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

void SetControlWord(unsigned short word)
{
    __asm__ volatile("fldcw %0" : : "m"(word) : "memory");
}

// The product in one piece of assembly, so that the compiler cannot move
// the arithmetic outside the settings it needs.
double Multiply(DWORD amount, const double& scale, unsigned short settings)
{
    const long long exact = amount; // fild reads signed integers: a DWORD fits in 64 bits
    double result = 0;
    __asm__ volatile("fldcw %[settings]\n\t"
                     "fildll %[exact]\n\t"
                     "fmull %[scale]\n\t"
                     "fstpl %[result]"
                     : [result] "=m"(result)
                     : [settings] "m"(settings), [exact] "m"(exact), [scale] "m"(scale)
                     : "st", "memory");
    return result;
}

} // namespace

void StoreScaledAmount(std::atomic<double>& target, DWORD amount, const double& scale)
{
    const unsigned short callers = ControlWord();
    const auto with = [callers](unsigned short settings) {
        return static_cast<unsigned short>((callers & ~kPrecisionAndRounding) | settings);
    };
    const double scaled = Multiply(amount, scale, with(kDoublePrecisionToNearest));
    // Without SSE the compiler moves an atomic double's eight bytes through
    // the x87 unit as a 64-bit integer (fild, fistp). Intel's processors
    // load that exactly whatever the precision setting; emulators such as
    // QEMU round it to the set precision, so the move gets all 64 bits.
    SetControlWord(with(kExtendedPrecisionToNearest));
    target.store(scaled, std::memory_order_relaxed);
    SetControlWord(callers);
}

#else

// Other processors compute doubles in doubles.
void StoreScaledAmount(std::atomic<double>& target, DWORD amount, const double& scale)
{
    target.store(amount * scale, std::memory_order_relaxed);
}

#endif

} // namespace torvex
