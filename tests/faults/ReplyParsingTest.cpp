// Replies read straight from bytes, as the fuzz targets read them. The deep
// nesting case crashed the count reader (stack overflow) before the parse
// refused such documents.
#include "core/ControlState.h"
#include "core/Failure.h"
#include "core/ReplyReaders.h"
#include "net/XmlFetcher.h"

#include <gtest/gtest.h>

#include <QByteArray>

using namespace vendorcenter;

namespace {

// The Failure number that reading the count reply ends in, or 0.
int countFailure(const QByteArray &body)
{
    pugi::xml_document document;
    ControlState state;
    try {
        replies::readCounts(parseReply(body, document), state);
    } catch (const Failure &failure) {
        return failure.number();
    }
    return 0;
}

QByteArray nested(int depth, const QByteArray &inner)
{
    return "<r><c><v><a>" + QByteArray("<a>").repeated(depth) + inner + QByteArray("</a>").repeated(depth)
        + "</a><b>1</b><c>1</c></v></c></r>";
}

} // namespace

TEST(ReplyParsing, DeepNestingIsRefusedInsteadOfOverflowingTheStack)
{
    EXPECT_EQ(countFailure(nested(300'000, "1")), Failure::MissingObject);
    // Nesting that real documents might use still reads.
    EXPECT_EQ(countFailure(nested(100, "1")), 0);
    pugi::xml_document document;
    EXPECT_FALSE(parseReply(nested(300'000, "1"), document));
    EXPECT_FALSE(document.first_child()) << "a refused document keeps no nodes";
}

TEST(ReplyParsing, BytesThatAreNotUtf8MakeTheDocumentIllFormed)
{
    pugi::xml_document document;
    EXPECT_TRUE(parseReply("<r>Caf\xC3\xA9</r>", document));
    EXPECT_FALSE(parseReply("<r>Caf\xE9</r>", document));
    EXPECT_FALSE(parseReply("<r>\xED\xA0\x80</r>", document)); // an encoded surrogate
    EXPECT_FALSE(parseReply("<r>\xC3</r>", document));         // a sequence cut short
    // A document that says it is Latin-1 is read as Latin-1.
    const pugi::xml_node root = parseReply("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>Caf\xE9</r>", document);
    ASSERT_TRUE(root);
    EXPECT_EQ(replies::nodeText(root), QStringLiteral("Caf\u00e9"));
}

TEST(ReplyParsing, EntitiesAreNeverExpanded)
{
    const QByteArray bomb = "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                            "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><r><c><v><a>&c;</a><b>1</b><c>1</c></v></c></r>";
    pugi::xml_document document;
    const pugi::xml_node root = parseReply(bomb, document);
    ASSERT_TRUE(root);
    EXPECT_EQ(replies::nodeText(root.first_child().first_child().first_child()), QStringLiteral("&c;"));
    EXPECT_EQ(countFailure(bomb), Failure::TypeMismatch);
}
