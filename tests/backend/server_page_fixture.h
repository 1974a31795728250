#pragma once

#include "http_server.h"
#include "sqlite_storage.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <pugixml.hpp>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace vendorcenter::server::testing {

// A fresh directory under /tmp, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// One row of VendorCenterCrossReference as the database holds it.
struct StoredCrossReference {
    long long vendorId;
    long long centerId;
    double handlingFee;
    long long dutyBrokerageFee;
    std::string recordLastUpdated;

    bool operator==(const StoredCrossReference&) const = default;
};

// Reads the database directly, beside the server page.
std::vector<StoredCrossReference> storedCrossReferences(const std::string& databasePath);
void executeSql(const std::string& databasePath, const std::string& sql);

// The control's form encoding of a statement: blank as "+", 66 characters as
// they are, every other byte as "%XX".
std::string formEncode(const std::string& text);
std::string saveBody(const std::vector<std::string>& statements);

// A document read the way the control reads it: whitespace-only text dropped,
// comments kept, children counted by position.
struct PositionalDocument {
    pugi::xml_document document;
    bool parsed = false;
    pugi::xml_node root() const { return document.document_element(); }
};
std::unique_ptr<PositionalDocument> readByPosition(const std::string& xml);
pugi::xml_node childAt(pugi::xml_node node, std::size_t position);
std::size_t childCount(pugi::xml_node node);
std::string textOf(pugi::xml_node node);

// The server page on a free loopback port over a new seeded database.
class ServerPageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    httplib::Result get(const std::string& target);
    httplib::Result post(const std::string& body);
    std::unique_ptr<PositionalDocument> query(const std::string& kind, const std::string& vendorId);

    TemporaryDirectory directory_;
    std::string databasePath_;
    std::unique_ptr<SqliteStorage> storage_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
    std::unique_ptr<httplib::Client> client_;
};

}  // namespace vendorcenter::server::testing
