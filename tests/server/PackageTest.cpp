// The Debian package as an administrator gets it: made by cpack in the build
// tree, unpacked with dpkg-deb, its server tried.
#include "ServerPageFixture.h"

#include <signal.h>

using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;

TEST(Package, UnpacksWithAServerThatAnswers)
{
    TemporaryDirectory directory;
    ASSERT_EQ(std::system(("cd " + directory.path()
                  + " && " VENDORCENTER_CPACK " -G DEB --config " VENDORCENTER_BUILD_DIR
                    "/CPackConfig.cmake >cpack.log 2>&1 && dpkg-deb -x vendorcenter_*.deb root")
                              .c_str()),
        0)
        << contentsOf(directory.file("cpack.log"));
    // The settings may name secrets: root's to change, no one else's to read.
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(directory.file("root/etc/default/vendorcenter-server")).permissions(),
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string unit = contentsOf(directory.file("root/usr/lib/systemd/system/vendorcenter-server.service"));
    for (const char *limit : {"\nMemoryMax=", "\nTasksMax=", "\nLimitNOFILE="})
        EXPECT_NE(unit.find(limit), std::string::npos) << limit;
    const std::string server = directory.file("root/usr/bin/vendorcenter-server");
    ServerProcess page(server, {"--listen", "127.0.0.1:0", "--database", directory.file("db.sqlite")});
    auto selected =
        httplib::Client("127.0.0.1", page.listeningPort(15s)).Get("/VendorCenter.asp?selected=1&VendorID=12");
    ASSERT_TRUE(selected);
    EXPECT_EQ(childCount(childAt(readByPosition(selected->body)->document_element(), 2)), 4u);
    page.signal(SIGTERM); // as systemd stops it: a clean end
    EXPECT_EQ(page.exitCode(10s), 0);
}
