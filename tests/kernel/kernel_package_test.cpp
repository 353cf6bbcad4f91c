// The Debian package in the emulated machine, as a user installs it: udev
// gives its system user the wheel's nodes and asks systemd for a bridge per
// wheel, and the installed bridge runs with those permissions alone.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/kernel/running_bridge.h"
#include "tests/support/unique_fd.h"

namespace torvex::lab {
namespace {

using testing::ScratchFolder;
using testing::UhidWheel;

// The package installed with dpkg while udevd runs (the machine runs none
// of its own), as a user installs it; the installed bridge then runs as its
// unit runs it: as the user torvex-ffd, with a /dev/shm of its own.
TEST(KernelPackage, GivesItsUserTheWheelsNodesAndTheInstalledBridgeRunsWithThemAlone)
{
    const ScratchFolder folder;
    const auto output = [&](const std::string& command) {
        std::system((command + " >" + (folder.path() / "output").string()).c_str());
        return ReadText(folder.path() / "output");
    };
    const std::string deb = output("ls " TORVEX_DIST_DIR "/zk5120-wheel_*.deb 2>/dev/null | tr -d '\\n'");
    if (deb.empty())
        GTEST_SKIP() << "the Debian package is not built (scripts/build.sh linux-package:package)";
    struct Purge {
        ~Purge() { std::system("dpkg --purge zk5120-wheel >/dev/null; udevadm control --exit"); }
    } purge;
    ASSERT_EQ(std::system(("/lib/systemd/systemd-udevd --daemon && dpkg -i " + deb).c_str()), 0);
    const std::string unit = (folder.path() / "torvex-ffd@hidraw7.service").string();
    EXPECT_EQ(std::system(("cp /usr/lib/systemd/system/torvex-ffd@.service " + unit +
                           " && systemd-analyze verify " + unit)
                              .c_str()),
              0);

    const UhidWheel wheel("torvex-package-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const std::string name = std::filesystem::path(wheel.node()).filename().string();
    const std::vector<std::string> asItsUnit = {
        "/usr/bin/unshare", "--mount", "/bin/sh", "-c",
        "mount -t tmpfs -o mode=1777 shm /dev/shm && exec setpriv --reuid=torvex-ffd --regid=torvex-ffd "
        "--init-groups /usr/bin/torvex-ffd --device " +
            wheel.node()};
    RunningBridge bridge(wheel, folder, asItsUnit);
    ASSERT_FALSE(bridge.node().empty()) << bridge.Log();
    // The wheel's hidraw and event nodes and uinput are the group's; the
    // bridge's joystick carries the wheel's ids too, yet is a joystick like
    // any other.
    EXPECT_EQ(output("udevadm settle && stat -c '%G %a' " + wheel.node() + " " + EventNodeOfHidraw(wheel.node()) +
                     " /dev/uinput " + bridge.node()),
              "torvex-ffd 660\ntorvex-ffd 660\ntorvex-ffd 660\ninput 660\n");
    EXPECT_NE(output("udevadm info --query=property --name=" + wheel.node())
                  .find("SYSTEMD_WANTS=torvex-ffd@" + name + ".service"),
              std::string::npos);
    // A game's effect taken: the driver's lock is the bridge's own.
    const testing::UniqueFd game(open(bridge.node().c_str(), O_RDWR | O_CLOEXEC));
    ff_effect effect{};
    effect.type = FF_CONSTANT;
    effect.id = -1;
    effect.replay.length = 500;
    EXPECT_EQ(ioctl(game.get(), EVIOCSFF, &effect), 0) << std::strerror(errno);
    EXPECT_TRUE(bridge.Stop()) << bridge.Log();

    ASSERT_EQ(chmod("/dev/uinput", 0600), 0);
    RunningBridge refused(wheel, folder, asItsUnit);
    const std::string refusal = refused.Log();
    EXPECT_FALSE(refused.Stop()) << "it ended by itself, in failure";
    EXPECT_NE(refusal.find("/dev/uinput: " + std::string(std::strerror(EACCES))), std::string::npos)
        << refusal;
}

} // namespace
} // namespace torvex::lab
