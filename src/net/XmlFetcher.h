#pragma once

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <map>
#include <memory>

class QByteArray;
class QNetworkAccessManager;
class QNetworkReply;

namespace vendorcenter {

// Parses a reply body the way every query reads it: whitespace-only text
// dropped, comments and processing instructions kept. Returns the root
// element, or an empty node when the body is not well-formed XML (bytes that
// are not UTF-8 in a UTF-8 document included) or is nested deeper than any
// reply of the server page could be.
pugi::xml_node parseReply(const QByteArray &body, pugi::xml_document &document);

// Loads an XML document from a URL synchronously: the call returns when the
// reply is complete, has failed or has timed out, and user input does not
// reach the application meanwhile. Whitespace-only text is dropped; comments
// and processing instructions stay as nodes, so positions count them.
class XmlFetcher
{
public:
    static constexpr int kDefaultTimeoutMs = 60'000;

    XmlFetcher();
    ~XmlFetcher();

    // The root element of the loaded document, or an empty node when the server
    // could not be reached, answered with an error status, timed out, or sent
    // something that is not well-formed XML.
    pugi::xml_node load(const QString &url, pugi::xml_document &document);

    // Asks for `url` now without waiting; the next load() of the same URL
    // takes that reply instead of asking again. The server page then works
    // on the query while this side finishes with the reply before it.
    void prefetch(const QString &url);
    // Aborts the replies asked for ahead that no load() took.
    void dropPrefetched();

    void setTimeoutMs(int ms) { timeoutMs_ = ms; }

    // The ETag header of the last load()'s reply, as sent; empty when it had none
    // or the load failed.
    const QByteArray &lastEntityTag() const { return lastEntityTag_; }

private:
    QNetworkReply *get(const QString &url);

    std::unique_ptr<QNetworkAccessManager> network_;
    std::map<QString, QNetworkReply *> prefetched_;
    int timeoutMs_ = kDefaultTimeoutMs;
    QByteArray lastEntityTag_;
};

} // namespace vendorcenter
