// The registry contract against the real Windows registry (Wine's, here),
// below a scratch key of its own that each test creates and removes.
#include "platform/win32/win32_registry.h"

#include <string>

#include "tests/platform/registry_contract.h"

namespace torvex::testing {
namespace {

class Win32RegistryWorld final : public RegistryWorld {
public:
    Win32RegistryWorld() : path_("Software\\TorvexContract-" + std::to_string(GetCurrentProcessId()))
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        EXPECT_EQ(registry_.CreateKey(HKEY_CURRENT_USER, path_.c_str(), &scratch_), ERROR_SUCCESS);
    }
    ~Win32RegistryWorld() override
    {
        registry_.CloseKey(scratch_);
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()), ERROR_SUCCESS);
    }
    RegistryPort& registry() override { return registry_; }
    HKEY scratch() override { return scratch_; }

private:
    std::string path_;
    Win32Registry registry_;
    HKEY scratch_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Windows, RegistryContract,
                         ::testing::Values(+[]() -> std::unique_ptr<RegistryWorld> {
                             return std::make_unique<Win32RegistryWorld>();
                         }));

} // namespace
} // namespace torvex::testing
