// The Debian package as an administrator gets it: made by cpack in the build
// tree, unpacked with dpkg-deb, its server and its systemd unit tried.
#include "ServerPageFixture.h"
#include "ServerProcess.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>

using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The output (with stderr) and exit status of a shell command.
std::pair<std::string, int> shell(const std::string &command)
{
    std::string output;
    FILE *pipe = popen(("( " + command + " ) 2>&1").c_str(), "r");
    char buffer[4096];
    while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, read);
    return {output, pclose(pipe)};
}

class Package : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        made_ = shell("cd " + directory_.path()
            + " && " VENDORCENTER_CPACK " -G DEB --config " VENDORCENTER_BUILD_DIR
              "/CPackConfig.cmake && dpkg-deb -x vendorcenter_*.deb root");
    }
    void SetUp() override { ASSERT_EQ(made_.second, 0) << made_.first; }

    static inline TemporaryDirectory directory_;
    static inline const fs::path root_ = fs::path(directory_.path()) / "root";
    static inline std::pair<std::string, int> made_;
};

} // namespace

TEST_F(Package, HoldsTheLibraryItsHeadersAndCMakeFilesTheServerAndItsUnit)
{
    for (const char *file : {"usr/include/vendorcenter/Vendor_Center.h", "usr/bin/vendorcenter-server",
             "usr/lib/systemd/system/vendorcenter-server.service", "etc/default/vendorcenter-server"}) {
        EXPECT_TRUE(fs::exists(root_ / file)) << file;
    }
    std::set<std::string> names; // the library directory depends on the prefix
    for (const auto &entry : fs::recursive_directory_iterator(root_ / "usr/lib"))
        names.insert(entry.path().filename());
    EXPECT_TRUE(names.count("libvendorcenter.so") && names.count("VendorCenterConfig.cmake"));
}

TEST_F(Package, TheUnpackedServerAnswers)
{
    const std::string server = (root_ / "usr/bin/vendorcenter-server").string();
    EXPECT_EQ(shell(server + " --version").first, "vendorcenter-server 2.0.9\n");
    ServerProcess page(server, {"--listen", "127.0.0.1:0", "--database", directory_.file("db.sqlite")});
    httplib::Client client("127.0.0.1", page.listeningPort(15s));
    auto selected = client.Get("/VendorCenter.asp?selected=1&VendorID=12");
    ASSERT_TRUE(selected);
    EXPECT_EQ(childCount(childAt(readByPosition(selected->body)->document_element(), 2)), 4u);
}

TEST_F(Package, SystemdAcceptsTheUnitAndRatesItHardened)
{
    if (shell("command -v systemd-analyze").second != 0)
        GTEST_SKIP() << "systemd-analyze is not installed";
    // verify wants the server where ExecStart says: a copy of the unit names the unpacked one.
    const std::string unit = (root_ / "usr/lib/systemd/system/vendorcenter-server.service").string();
    const std::string copy = directory_.file("vendorcenter-server.service");
    const auto verified = shell("sed 's|/usr/bin/|" + root_.string() + "/usr/bin/|' " + unit + " > " + copy
        + " && systemd-analyze verify " + copy);
    EXPECT_EQ(verified.second, 0) << verified.first;
    EXPECT_EQ(verified.first, "");

    const auto rating =
        shell("systemd-analyze security --offline=true --root=" + root_.string() + " vendorcenter-server.service");
    std::smatch exposure;
    ASSERT_TRUE(std::regex_search(rating.first, exposure, std::regex(R"(Overall exposure level for \S+: ([0-9.]+))")));
    EXPECT_LE(std::stod(exposure[1]), 2.0) << rating.first;
}
