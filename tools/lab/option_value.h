// The command-line options of the programs that drive the wheel, read the
// same way by each of them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace torvex::lab {

// An option's value, given as "--name VALUE" or "--name=VALUE". `*matched`
// says whether args[index] is the option; false when it is, but has no
// value. `index` moves past a value given as the next argument.
bool OptionValue(const std::vector<std::string>& args, std::size_t& index, const std::string& name,
                 std::string* value, bool* matched);

} // namespace torvex::lab
