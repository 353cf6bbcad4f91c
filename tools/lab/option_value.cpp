#include "tools/lab/option_value.h"

namespace torvex::lab {

bool OptionValue(const std::vector<std::string>& args, std::size_t& index, const std::string& name,
                 std::string* value, bool* matched)
{
    const std::string& arg = args[index];
    *matched = arg == name || arg.starts_with(name + "=");
    if (!*matched)
        return true;
    if (arg.size() > name.size()) {
        *value = arg.substr(name.size() + 1);
    } else if (index + 1 < args.size()) {
        *value = args[++index];
    } else {
        return false;
    }
    return !value->empty();
}

} // namespace torvex::lab
