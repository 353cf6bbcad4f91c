// The scenario the lab plays when it is given none: a tour of what the
// driver does, with `say` lines that tell the watcher what comes next.
#pragma once

namespace torvex::lab {

const char* DemoScenario();

} // namespace torvex::lab
