// What every implementation of the registry port must do alike: the
// in-memory registry on every build, and Windows' (Wine's) real registry in
// the Windows build. Each world hands the tests a scratch key below which
// they may create anything; the world removes it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/registry.h"

namespace torvex::testing {

class RegistryWorld {
public:
    virtual ~RegistryWorld() = default;
    virtual RegistryPort& registry() = 0;
    virtual HKEY scratch() = 0;
};

using RegistryWorldFactory = std::unique_ptr<RegistryWorld> (*)();

class RegistryContract : public ::testing::TestWithParam<RegistryWorldFactory> {
protected:
    void SetUp() override { world_ = GetParam()(); }
    void TearDown() override { world_.reset(); }

    RegistryPort& registry() { return world_->registry(); }
    HKEY scratch() { return world_->scratch(); }

private:
    std::unique_ptr<RegistryWorld> world_;
};

} // namespace torvex::testing
