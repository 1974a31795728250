#include "UserTable.h"

#include <gtest/gtest.h>

#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace vendorcenter::server;

const std::string kPassword = "s3cret P\xC3\xA4ss"; // a blank and a non-ASCII letter

static UserTable tableOf(const std::string &text)
{
    auto parsed = UserTable::parse(text);
    EXPECT_TRUE(parsed.users) << parsed.error;
    return parsed.users.value_or(UserTable());
}

// Lines for "clerk" and kPassword as the usual tools make them.
const std::string kLines[] = {
    "clerk:$2y$10$vpqetDQwNi6v5IOz6WkyYuE5o.c04ZtrzhAOARMG.xgY2LXTrq/4u", // htpasswd -nbB -C 10
    "clerk:$y$j9T$h0r.daDbfHoJ1djN7QCLb0$jQ1kHj4EGvmUK1XQDD8HbNchnB/nm61brKbTnP1ei8B", // mkpasswd
    "clerk:$6$pCfc36GZkQjt.6Hk$qW62zksfJ2PXmZsB3/"
    "jv.40kbsjIgzGS7gp2BH72MYqJtmU46TNey5zho.dufLfcHH6N.yrwagGp3wpZEO9GQ0", // -m sha512crypt
    "clerk:0123456789abcdef:51ded90440f38b4315f0536cbb2d8a3cd6c62469955a85a03ac2b38daac7bbb0", // older SHA-256
    userLine("clerk", kPassword) // --hash-password
};

using LineMadeBy = ::testing::TestWithParam<std::string>;

TEST_P(LineMadeBy, AcceptsTheRightPasswordOnly)
{
    const UserTable users = tableOf(GetParam());
    ASSERT_EQ(users.size(), 1u);
    // Twice: the second check of a password goes through the remembered one.
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(users.accepts("clerk", kPassword));
        for (const std::string &wrong :
            {std::string("s3cret PAss"), kPassword + " ", kPassword + std::string(1, '\0') + "junk", std::string()})
            EXPECT_FALSE(users.accepts("clerk", wrong));
        EXPECT_FALSE(users.accepts("Clerk", kPassword));
    }
    EXPECT_EQ(users.usersToRehash().size(), GetParam().find('$') == std::string::npos ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(UserTable, LineMadeBy, ::testing::ValuesIn(kLines));

TEST(UserTable, HashPasswordMakesFreshYescryptLines)
{
    std::istringstream in(kPassword + "\r\n");
    std::ostringstream out, errors;
    ASSERT_EQ(printUserLine("clerk", in, out, errors), 0) << errors.str();
    EXPECT_EQ(out.str().rfind("clerk:$y$", 0), 0u);
    EXPECT_TRUE(tableOf(out.str()).accepts("clerk", kPassword));
    EXPECT_NE(userLine("clerk", kPassword), userLine("clerk", kPassword)); // salts differ

    for (const auto &[user, input] : {std::pair {"clerk", "\n"}, {"clerk", ""}, {"a:b", "pw\n"}, {"", "pw\n"}}) {
        std::istringstream refused(input);
        EXPECT_EQ(printUserLine(user, refused, out, errors), 2) << user;
    }
}

TEST(UserTable, SaysWhatIsWrongWithAFile)
{
    const std::string hash(64, 'a');
    const std::string yescrypt = kLines[1];
    const std::pair<std::string, std::string> cases[] = {{"", "it lists no user"}, {"# nobody\n", "it lists no user"},
        {yescrypt + "\nclerk\n", "line 2 is not user:hash"}, {"clerk:salt\n", "line 1 is not user:hash"},
        {"a:b:c:d\n", "line 1 is not user:hash"}, {":salt:" + hash, "line 1 has no user name"},
        {"clerk:salt:" + std::string(64, 'A'), "line 1: the hash must be 64 lower-case hex digits"},
        {"clerk:salt:abc", "line 1: the hash must be 64 lower-case hex digits"},
        {yescrypt + "\n" + yescrypt, "line 2 names user \"clerk\" a second time"}};
    for (const auto &[text, error] : cases)
        EXPECT_EQ(UserTable::parse(text).error, error) << text;

    // Apache's MD5, the old MD5-crypt, a cut-off hash and a ":" inside one are
    // refused rather than never matching; so is bcrypt too cheap to slow a guesser down.
    const std::string notOneOf = "line 1: the hash is not one of", cost = "line 1: the bcrypt cost ",
                      bcrypt = "$ISyK8HZthPYZluWZnHQt.uK2Ith9V17oK/WLuH5.q9okdYD3w2l2a";
    const std::pair<std::string, std::string> refusedHashes[] = {
        {"clerk:$apr1$q0p8f7ht$5Vu6cSPbMdSLpqmaQsCo91", notOneOf},
        {"clerk:$1$saltsalt$2vnaRpHa6Jxjz5n83ok8Z0", notOneOf}, {yescrypt.substr(0, 40), notOneOf},
        {yescrypt + ":x", notOneOf}, {"clerk:$2y$04" + bcrypt, cost + "04 is below 10"},
        {"clerk:$2y$05" + bcrypt, cost + "05 is below 10"}, {"clerk:$2y$09" + bcrypt, cost + "09 is below 10"}};
    for (const auto &[line, error] : refusedHashes)
        EXPECT_EQ(UserTable::parse(line).error.rfind(error, 0), 0u) << line << ": " << UserTable::parse(line).error;
    EXPECT_EQ(loadUsersFile("/nonexistent/users").error, "cannot read /nonexistent/users");
}

// Like sshd's keys: a users file others may read or write is not used.
TEST(UserTable, RefusesAUsersFileOthersMayReadOrWrite)
{
    char path[] = "/tmp/vendorcenter-users-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string line = kLines[1] + "\n";
    ASSERT_EQ(write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    close(fd);
    const std::string refusal = std::string(path) + " may be read or written by other users; make it private first";
    for (const auto &[mode, taken] : {std::pair {0600, true}, {0640, true}, {0604, false}, {0602, false}}) {
        chmod(path, static_cast<mode_t>(mode));
        const auto loaded = loadUsersFile(path);
        EXPECT_EQ(bool(loaded.users), taken) << std::oct << mode;
        EXPECT_EQ(loaded.error, taken ? "" : refusal + " (chmod o-rw)");
    }
    unlink(path);
}

TEST(UserTable, ReadsAuthorizationHeaders)
{
    const UserTable users = tableOf(
        kLines[3] + "\na:" + kLines[3].substr(6) + "\nab:" + kLines[3].substr(6) + "\n" + userLine("plus", ">>>"));
    // Latin-1 from clients that ignore the charset; "a:..." with one "=" of padding, "ab:..." with none; then cut
    // short in "s3cret P\xC3", no colon ("clerk"), and strict: no stray "=" or blank.
    const std::pair<const char *, bool> cases[] = {{"Basic Y2xlcms6czNjcmV0IFDDpHNz", true},
        {"basic  Y2xlcms6czNjcmV0IFDDpHNz ", true}, {"Basic Y2xlcms6czNjcmV0IFDkc3M=", true},
        {"Basic YTpzM2NyZXQgUMOkc3M=", true}, {"Basic YWI6czNjcmV0IFDDpHNz", true},
        {"Basic Y2xlcms6czNjcmV0IFDD", false}, {"", false}, {"Basic", false},
        {"Bearer Y2xlcms6czNjcmV0IFDDpHNz", false}, {"Basic Y2xlcms=", false}, {"Basic not base64!", false},
        {"Basic Y2xlcms6czNjcmV0IFDDpHNz=", false}, {"Basic Y2xl cms6czNjcmV0IFDDpHNz", false},
        {"Basic cGx1czo+Pj4=", true}, {"Basic cGx1czo+Pj8=", false}}; // "plus:>>>" has a "+" in base64
    for (const auto &[header, accepted] : cases)
        EXPECT_EQ(users.acceptsAuthorization(header), accepted) << header;
}
