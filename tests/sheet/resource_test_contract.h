// What every implementation of the resource port must do alike, as the
// sheet's caption depends on it: the simulation on every build, and
// user32/kernel32 under Wine with the test program's own string table.
// Each world is a module whose string 1 is the sheet's caption and which
// has no string 2.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/resources.h"

namespace torvex::testing {

class ResourceWorld {
public:
    virtual ~ResourceWorld() = default;
    virtual ResourcePort& resources() = 0;
    virtual HINSTANCE module() = 0;
};

using ResourceWorldFactory = std::unique_ptr<ResourceWorld> (*)();

class ResourcePortContract : public ::testing::TestWithParam<ResourceWorldFactory> {
protected:
    void SetUp() override { world_ = GetParam()(); }
    void TearDown() override { world_.reset(); }

    ResourcePort& resources() { return world_->resources(); }
    HINSTANCE module() { return world_->module(); }

private:
    std::unique_ptr<ResourceWorld> world_;
};

} // namespace torvex::testing
