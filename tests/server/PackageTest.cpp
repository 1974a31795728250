// The Debian package as an administrator gets it: made by cpack in the build
// tree, unpacked with dpkg-deb, its server and its systemd unit tried.
#include "server_page_fixture.h"
#include "server_process.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Standard output and exit code of a shell command.
std::pair<std::string, int> shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return {"", -1};
    char buffer[4096];
    while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
    return {output, pclose(pipe)};
}

class Package : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        directory_ = new TemporaryDirectory;
        const auto [output, status] = shell("cd " + directory_->path() + " && " VENDORCENTER_CPACK " -G DEB --config " +
                                            VENDORCENTER_BUILD_DIR "/CPackConfig.cmake && dpkg-deb -x vendorcenter_*.deb root");
        made_ = status == 0;
        if (!made_) std::fprintf(stderr, "%s\n", output.c_str());
    }
    static void TearDownTestSuite() { delete directory_; }
    void SetUp() override { ASSERT_TRUE(made_); }

    static fs::path root() { return fs::path(directory_->path()) / "root"; }

    static inline TemporaryDirectory* directory_ = nullptr;
    static inline bool made_ = false;
};

}  // namespace

TEST_F(Package, HoldsTheLibraryItsHeadersAndCMakeFilesTheServerAndItsUnit) {
    for (const char* file : {"usr/include/vendorcenter/Vendor_Center.h", "usr/bin/vendorcenter-server",
                             "usr/lib/systemd/system/vendorcenter-server.service", "etc/default/vendorcenter-server"}) {
        EXPECT_TRUE(fs::exists(root() / file)) << file;
    }
    std::set<std::string> names;  // the library directory depends on the prefix
    for (const auto& entry : fs::recursive_directory_iterator(root() / "usr/lib")) names.insert(entry.path().filename());
    EXPECT_TRUE(names.count("libvendorcenter.so") && names.count("VendorCenterConfig.cmake"));
    std::ifstream unit(root() / "usr/lib/systemd/system/vendorcenter-server.service");
    const std::string text{std::istreambuf_iterator<char>(unit), {}};
    EXPECT_NE(text.find("ExecStart=/usr/bin/vendorcenter-server $VENDORCENTER_SERVER_OPTIONS"), std::string::npos);
    EXPECT_NE(text.find("EnvironmentFile=-/etc/default/vendorcenter-server"), std::string::npos);
}

TEST_F(Package, TheUnpackedServerAnswers) {
    const std::string server = (root() / "usr/bin/vendorcenter-server").string();
    EXPECT_EQ(shell(server + " --version").first, "vendorcenter-server 2.0.9\n");
    ServerProcess page(server, {"--listen", "127.0.0.1:0", "--database", directory_->file("db.sqlite")});
    const int port = page.listeningPort(15s);
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    auto selected = client.Get("/VendorCenter.asp?selected=1&VendorID=12");
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->status, 200);
    EXPECT_EQ(childCount(childAt(readByPosition(selected->body)->root(), 2)), 4u);
}

TEST_F(Package, SystemdAcceptsTheUnitAndRatesItHardened) {
    if (shell("command -v systemd-analyze").second != 0) GTEST_SKIP() << "systemd-analyze is not installed";
    // verify wants the server where ExecStart says; a copy of the unit points at the unpacked one.
    const fs::path unit = root() / "usr/lib/systemd/system/vendorcenter-server.service";
    const fs::path copy = fs::path(directory_->path()) / "vendorcenter-server.service";
    const auto [verified, verifyStatus] = shell("sed 's|/usr/bin/|" + (root() / "usr/bin/").string() + "|' " +
                                                unit.string() + " > " + copy.string() +
                                                " && systemd-analyze verify " + copy.string());
    EXPECT_EQ(verifyStatus, 0) << verified;
    EXPECT_EQ(verified, "");

    const auto [rating, status] =
        shell("systemd-analyze security --offline=true --root=" + root().string() + " vendorcenter-server.service");
    std::smatch exposure;
    ASSERT_TRUE(std::regex_search(rating, exposure, std::regex(R"(Overall exposure level for \S+: ([0-9.]+))"))) << rating;
    EXPECT_LE(std::stod(exposure[1]), 2.0) << rating;
}
