// The DIEFFECT a scenario line hands the driver, with every block it points
// to, as DirectInput would pass it: the fields the line gave, zero elsewhere.
#pragma once

#include <vector>

#include "tools/lab/scenario.h"

namespace torvex::lab {

// Points into itself: use it where it was made.
class EffectRecord {
public:
    explicit EffectRecord(const EffectFields& fields);
    EffectRecord(const EffectRecord&) = delete;
    EffectRecord& operator=(const EffectRecord&) = delete;

    const DIEFFECT* get() const { return &effect_; }

private:
    void SetBlock(std::monostate) {}
    void SetBlock(const DICONSTANTFORCE& constant);
    void SetBlock(const DIRAMPFORCE& ramp);
    void SetBlock(const DIPERIODIC& periodic);
    void SetBlock(const CustomForceFields& custom);
    void SetBlock(const ConditionFields& conditions);

    DIEFFECT effect_{};
    std::vector<DWORD> axes_;
    std::vector<LONG> directions_;
    std::vector<LONG> samples_;
    ConditionFields conditions_;
    DIENVELOPE envelope_{};
    DICONSTANTFORCE constant_{};
    DIRAMPFORCE ramp_{};
    DIPERIODIC periodic_{};
    DICUSTOMFORCE custom_{};
};

} // namespace torvex::lab
