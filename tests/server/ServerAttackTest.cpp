// The server page as an attacker on the network finds it: the real binary on
// loopback, every case bounded in bytes and time, one test per kind of attack.
#include "LoginThrottle.h"
#include "ServerPageFixture.h"
#include "UserTable.h"

#include <QByteArray>

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
const std::string kCount = "/VendorCenter.asp?count=1&VendorID=12";

std::string basic(const std::string &user, const std::string &password)
{
    return "Authorization: Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString() + "\r\n";
}

// A request head: the method and target, Host unless `headers` name one, then `headers` (each ending in CRLF).
std::string head(const std::string &method, const std::string &target, const std::string &headers = {})
{
    return method + " " + target + " HTTP/1.1\r\n"
        + (headers.find("Host:") == std::string::npos ? "Host: 127.0.0.1\r\n" : "") + headers + "\r\n";
}

// The real binary on a new SQLite file, with `arguments` added; with
// users, the clerk's line in a file only its owner reads.
class Page
{
public:
    explicit Page(std::vector<std::string> arguments = {}, bool withUsers = false)
    {
        if (withUsers) {
            std::ofstream(directory_.file("users")) << userLine("clerk", kPassword) << "\n";
            ::chmod(directory_.file("users").c_str(), 0600);
            arguments.insert(arguments.end(), {"--users", directory_.file("users")});
        }
        page_.emplace(directory_.file("vendorcenter.sqlite"), arguments, 0, directory_.file("stderr.txt"));
    }
    int port() const { return page_->port; }
    ServerProcess &process() { return page_->process; }
    std::string log() const { return contentsOf(directory_.file("stderr.txt")); }
    auto rows() const { return TestDatabase::create(StorageKind::Sqlite, directory_)->crossReferences(); }

private:
    TemporaryDirectory directory_;
    std::optional<RunningPage> page_;
};

// Sends `first`, then up to `more` bytes of `filler` in pieces while the
// server still takes them; the reply, or empty when none came.
std::string attack(RawConnection &connection, const std::string &first, std::size_t more = 0,
    const std::string &filler = std::string(64 * 1024, 'a'))
{
    bool open = connection.send(first);
    for (std::size_t sent = 0; open && sent < more; sent += filler.size())
        open = connection.send(filler);
    return connection.readReply(10s);
}

} // namespace

// Every request is judged on its head: oversized lines, headers and bodies, a stranger's body, framing a proxy in front
// could read differently. The refused are answered without their body being buffered and, where the rest of the
// connection could be read as another request, closed; the page's memory stays within bounds.
TEST(ServerAttack, RequestsAreJudgedOnTheirHeadAndAmbiguousOnesClosed)
{
    Page page({}, true);
    const long idleKiB = page.process().residentKiB();
    const std::string clerk = basic("clerk", kPassword), stranger = basic("clerk", "guess");
    std::string ranges = "Range: bytes=0-0";
    for (int i = 1; i < 2000; ++i)
        ranges += "," + std::to_string(i) + "-" + std::to_string(i);
    std::string manyHeaders;
    for (int i = 0; i < 20000; ++i)
        manyHeaders += "X-Filler-" + std::to_string(i) + ": " + std::string(1000, 'h') + "\r\n";
    const std::string chunk = "10000\r\n" + std::string(0x10000, 'c') + "\r\n";
    const std::string a64k(65536, 'a'), smuggled = head("GET", kCount, clerk);
    const std::string length = "Content-Length: " + std::to_string(smuggled.size()) + "\r\n";
    const std::string small = saveBody({deleteStatement(12, 7)});
    const std::string smallLength = "Content-Length: " + std::to_string(small.size()) + "\r\n";
    struct Case
    {
        const char *what;
        std::string first;
        std::size_t more = 0;
        std::string filler = {};
        int status = 0; // 0: any refusal, or none before the connection closed
        bool closes = true;
    };
    const std::string post = "/VendorCenter.asp";
    const Case cases[] = {
        {"body posted elsewhere", head("POST", "/other", "Content-Length: 16777216\r\n"), 16 * kMiB, a64k, 404},
        {"48 MiB chunked elsewhere", head("POST", "/other", "Transfer-Encoding: chunked\r\n"), 48 * kMiB, chunk, 404},
        {"24 MiB request line", "GET /" + std::string(1024, 'a'), 24 * kMiB, a64k},
        {"24 MiB header line", "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Long: ", 24 * kMiB, a64k},
        {"20,000 headers", "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n" + manyHeaders + "\r\n"},
        {"2,000 ranges on a count", head("GET", kCount, clerk + ranges + "\r\n"), 0, {}, 200, false},
        {"stranger expecting 100-continue", head("POST", post, "Expect: 100-continue\r\n" + smallLength), 0, {}, 401},
        {"8 MiB from a stranger", head("POST", post, stranger + "Content-Length: 8388608\r\n"), 0, {}, 401},
        {"chunked from a stranger", head("POST", post, "Transfer-Encoding: chunked\r\n"), 0, {}, 401},
        {"17 MiB announced", head("POST", post, clerk + "Content-Length: 17825792\r\n"), 0, {}, 413},
        {"length -1", head("POST", post, clerk + "Content-Length: -1\r\n"), 0, {}, 400},
        {"clerk expecting 100-continue", head("POST", post, clerk + "Expect: 100-continue\r\n" + smallLength), 0, {},
            100, false},
        // A small refused body is read and dropped: the retry goes on the same connection.
        {"small body of a stranger", head("POST", post, smallLength) + small, 0, {}, 401, false},
        {"GET with a body", head("GET", "/healthz", length) + smuggled, 0, {}, 400},
        {"HEAD with a body", head("HEAD", kCount, length) + smuggled, 0, {}, 400},
        {"length and chunked", head("POST", post, length + "Transfer-Encoding: chunked\r\n") + "0\r\n\r\n" + smuggled,
            0, {}, 400},
        {"two lengths", head("POST", post, length + length) + smuggled, 0, {}, 400},
        {"length list", head("POST", post, "Content-Length: 12, 12\r\n") + smuggled, 0, {}, 400},
        {"length in words", head("POST", post, "Content-Length: twelve\r\n") + smuggled, 0, {}, 400},
        {"escaped chunked", head("POST", post, "Transfer-Encoding: %63hunked\r\n") + smuggled, 0, {}, 400},
        {"gzip, chunked", head("POST", post, "Transfer-Encoding: gzip, chunked\r\n") + smuggled, 0, {}, 400},
        {"chunked twice", head("POST", post, "Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n") + smuggled,
            0, {}, 400},
        {"DELETE with a body", head("DELETE", post, length) + smuggled, 0, {}, 405},
        {"no Host", "GET /healthz HTTP/1.1\r\n\r\n" + smuggled, 0, {}, 400},
        {"identity-encoded save",
            head("POST", post, clerk + "Content-Encoding: identity\r\n" + smallLength) + small + smuggled, 0, {}, 415},
    };
    const auto rowsBefore = page.rows();
    for (const Case &c : cases) {
        RawConnection connection(page.port());
        const auto started = Clock::now();
        const std::string reply = attack(connection, c.first, c.more, c.filler);
        const int status = statusOf(reply);
        EXPECT_TRUE(c.status != 0 ? status == c.status : status == 0 || (status >= 400 && status < 500))
            << c.what << " " << status << "\n"
            << reply.substr(0, 300);
        EXPECT_TRUE(c.status != 200 || reply.size() < 1024u) << c.what; // no part per range
        if (c.closes) {
            // Nothing after it is answered: the connection ends.
            const std::string rest = connection.readReply(2s);
            EXPECT_EQ(rest.find("<VendorCenter>"), std::string::npos) << c.what;
            EXPECT_TRUE(connection.closedWithin(5s)) << c.what;
        } else {
            const std::string next = c.status == 100 ? small : head("GET", kCount, clerk);
            EXPECT_EQ(statusOf(attack(connection, next)), 200) << c.what;
        }
        std::printf("%-32s -> %d in %.0f ms\n", c.what, status,
            std::chrono::duration<double, std::milli>(Clock::now() - started).count());
    }
    const long grownKiB = page.process().residentKiB() - idleKiB;
    std::printf("resident memory: %ld KiB idle, %ld KiB more after the attacks\n", idleKiB, grownKiB);
    EXPECT_LT(grownKiB, 64 * 1024);
    EXPECT_EQ(page.log().find_first_of(std::string("\x01\x1b\x7f", 3)), std::string::npos);
    EXPECT_EQ(page.rows(), rowsBefore);
}

// A page of another site in the clerk's browser, or a DNS name rebound to
// the page, changes nothing.
TEST(ServerAttack, CrossSiteWritesAndForeignHostsAreRefused)
{
    Page page({"--allowed-host", "vendorcenter.example"});
    const auto rowsBefore = page.rows();
    const std::string port = std::to_string(page.port());
    const std::string write = saveBody({insertStatement(12, 7, "0.08", 1)});
    const std::string harmless = saveBody({deleteStatement(12, 7)}); // not selected: changes nothing
    const std::tuple<std::string, std::string, int> cases[] = {// method, headers, status
        {"POST", "Origin: http://attacker.example\r\n", 403}, {"POST", "Origin: null\r\n", 403},
        {"POST", "Origin: http://127.0.0.1:1\r\n", 403}, {"POST", "Sec-Fetch-Site: cross-site\r\n", 403},
        {"POST", "Origin: http://attacker.example\r\nSec-Fetch-Site: same-origin\r\n", 403},
        {"GET", "Host: attacker.example\r\n", 421}, {"POST", "Host: attacker.example:" + port + "\r\n", 421},
        {"GET", "Host: [::1]\r\n", 421}, {"GET", "Host: a\r\nHost: 127.0.0.1\r\n", 400},
        // What the control and a same-site page send.
        {"POST", "", 200}, {"POST", "Host: 127.0.0.1:" + port + "\r\nOrigin: http://127.0.0.1:" + port + "\r\n", 200},
        {"POST", "Sec-Fetch-Site: same-origin\r\n", 200}, {"POST", "Host: localhost:" + port + "\r\n", 200},
        {"POST", "Host: VendorCenter.example\r\nOrigin: https://vendorcenter.example\r\n", 200},
        {"GET", "Origin: http://attacker.example\r\n", 200}};
    RawConnection http10(page.port()); // before Host was required
    EXPECT_EQ(statusOf(attack(http10, "GET /healthz HTTP/1.0\r\n\r\n")), 200);
    for (const auto &[method, headers, status] : cases) {
        const std::string &body = status == 200 ? harmless : write;
        const std::string request = method == "GET"
            ? head("GET", kCount, headers)
            : head("POST", "/VendorCenter.asp",
                  headers + "Content-Type: application/x-www-form-urlencoded\r\n"
                      + "Content-Length: " + std::to_string(body.size()) + "\r\n")
                + body;
        RawConnection connection(page.port());
        EXPECT_EQ(statusOf(attack(connection, request)), status) << method << " " << headers;
    }
    EXPECT_EQ(page.rows(), rowsBefore);
}

// Guesses from many addresses, in parallel or through a forged
// X-Forwarded-For get few passwords checked; behind a balancer named with
// --trusted-proxy, each client is counted by its own address.
TEST(ServerAttack, GuessingIsThrottledPerAddressAndPerAccount)
{
    struct Case
    {
        const char *what;
        int guesses, addresses;
        bool parallel, forwardedFor;
        int mostChecked; // answered 401 rather than 429
        const char *refusal; // what a 429 says is blocked
        bool throughTrustedProxy = false; // then exactly mostChecked
    };
    const Case cases[] = {
        {"one account from 12 addresses", 49, 12, false, false, LoginThrottle::kAccountMaxFailures, "to this account"},
        {"24 at once from one address", 24, 1, true, false, LoginThrottle::kMaxFailures, "from this address"},
        {"forged X-Forwarded-For", 12, 1, false, true, LoginThrottle::kMaxFailures, "from this address"},
        {"12 clients behind a trusted balancer", 12, 1, false, true, 12, "", true},
    };
    for (const Case &c : cases) {
        Page page(c.throughTrustedProxy ? std::vector<std::string> {"--trusted-proxy", "127.0.0.2"}
                                        : std::vector<std::string> {},
            true);
        std::atomic<int> checked = 0, throttled = 0;
        const auto guess = [&](int i) {
            const std::string source = "127.0.0." + std::to_string(2 + i % c.addresses);
            RawConnection connection(page.port(), source.c_str());
            const std::string forwarded =
                c.forwardedFor ? "X-Forwarded-For: 203.0.113.9, 10.9.8." + std::to_string(i) + "\r\n" : "";
            const std::string reply =
                attack(connection, head("GET", kCount, basic("clerk", "guess " + std::to_string(i)) + forwarded));
            (statusOf(reply) == 401 ? checked : throttled) += 1;
            EXPECT_TRUE(statusOf(reply) != 429
                || bodyOf(reply) == "Too many failed logins " + std::string(c.refusal) + "; try again later.")
                << c.what << ": " << bodyOf(reply);
        };
        std::vector<std::thread> threads;
        for (int i = 0; i < c.guesses; ++i) {
            if (c.parallel)
                threads.emplace_back(guess, i);
            else
                guess(i);
        }
        for (std::thread &thread : threads)
            thread.join();
        EXPECT_TRUE(c.throughTrustedProxy ? checked == c.mostChecked : checked <= c.mostChecked) << c.what;
        EXPECT_EQ(checked + throttled, c.guesses) << c.what;
        std::printf("%s: %d of %d guesses checked\n", c.what, checked.load(), c.guesses);
    }
}
