#include "tests/support/registry_apply.h"

#include <algorithm>

namespace torvex::testing {

namespace {

bool SplitRoot(const std::string& path, HKEY* root, std::string* below)
{
    const size_t slash = path.find('\\');
    *root = RegistryRootFromName(path.substr(0, slash));
    *below = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    return *root != nullptr;
}

} // namespace

bool AppliedRegistryFile::Apply(const RegistryFile& file)
{
    for (const auto& key : file.keys) {
        HKEY root = nullptr;
        std::string below;
        if (key.deleted || !SplitRoot(key.path, &root, &below) || below.empty())
            return false;
        // Remember the first key on the way that does not exist yet.
        size_t end = 0;
        while (end != std::string::npos) {
            end = below.find('\\', end + 1);
            const std::string prefix = below.substr(0, end);
            RegistryKey probe(registry_);
            if (probe.Open(root, prefix.c_str()) == ERROR_FILE_NOT_FOUND) {
                const auto entry = std::make_pair(root, prefix);
                if (std::find(created_.begin(), created_.end(), entry) == created_.end())
                    created_.push_back(entry);
                break;
            }
        }
        RegistryKey target(registry_);
        if (target.Create(root, below.c_str()) != ERROR_SUCCESS)
            return false;
        for (const auto& value : key.values) {
            if (value.deleted)
                return false;
            if (target.SetValue(value.name.c_str(), value.type, value.data.data(),
                                static_cast<DWORD>(value.data.size())) != ERROR_SUCCESS)
                return false;
        }
    }
    return true;
}

AppliedRegistryFile::~AppliedRegistryFile()
{
#if defined(_WIN32)
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        RegDeleteTreeA(it->first, it->second.c_str());
#endif
}

} // namespace torvex::testing
