#include "core/FormEncoding.h"

#include <gtest/gtest.h>

using vendorcenter::urlEncode;

namespace {

std::string encoded(const QString &text)
{
    return urlEncode(text).toStdString();
}

QString unit(char16_t code)
{
    return QString(QChar(code));
}

} // namespace

TEST(FormEncoding, WorkedExamples)
{
    EXPECT_EQ(encoded(QString()), "");
    EXPECT_EQ(encoded(QStringLiteral("a b")), "a+b");
    EXPECT_EQ(encoded(QStringLiteral("50% off")), "50%25+off");
    EXPECT_EQ(encoded(QStringLiteral("\t")), "%09");
    EXPECT_EQ(encoded(QStringLiteral("\n")), "%0A");
    EXPECT_EQ(encoded(unit(0)), "%00");
    EXPECT_EQ(encoded(QStringLiteral("~!'()=,%")), "%7E%21%27%28%29%3D%2C%25");
    EXPECT_EQ(encoded(QStringLiteral("DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)")),
              "DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29");
}

TEST(FormEncoding, ExactlySixtySixCharactersPassAndEveryOtherByteIsTwoUpperCaseDigits)
{
    const QString passing = QStringLiteral("*-._0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    ASSERT_EQ(passing.size(), 66);
    EXPECT_EQ(urlEncode(passing), passing);

    int passed = 0;
    for (char16_t code = 0; code < 256; ++code) {
        if (code >= 0x80 && code < 0xA0)
            continue; // these units are not the bytes 0x80..0x9F in Windows-1252
        const QString piece = urlEncode(unit(code));
        if (code == 32) {
            EXPECT_EQ(piece, QStringLiteral("+"));
        } else if (passing.contains(QChar(code))) {
            EXPECT_EQ(piece, unit(code));
            ++passed;
        } else {
            EXPECT_EQ(piece, QStringLiteral("%") + QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0')))
                << "code " << int(code);
        }
    }
    EXPECT_EQ(passed, 66);
}

TEST(FormEncoding, CharactersAreTakenAsTheirSingleWindows1252Byte)
{
    EXPECT_EQ(encoded(QStringLiteral("é")), "%E9");
    EXPECT_EQ(encoded(QStringLiteral("ÿ")), "%FF");
    EXPECT_EQ(encoded(unit(0xA0)), "%A0");
    EXPECT_EQ(encoded(QStringLiteral("€")), "%80");
    EXPECT_EQ(encoded(QStringLiteral("‚ƒ„…†‡ˆ‰Š‹ŒŽ")), "%82%83%84%85%86%87%88%89%8A%8B%8C%8E");
    EXPECT_EQ(encoded(QStringLiteral("‘’“”•–—˜™š›œžŸ")), "%91%92%93%94%95%96%97%98%99%9A%9B%9C%9E%9F");
    EXPECT_EQ(encoded(QStringLiteral("Café Müller")), "Caf%E9+M%FCller");
}

TEST(FormEncoding, CharactersOutsideWindows1252BecomeAQuestionMark)
{
    EXPECT_EQ(encoded(QStringLiteral("Ā")), "%3F");
    EXPECT_EQ(encoded(QStringLiteral("日本")), "%3F%3F");
    // The C1 control units, including those at the five unused byte positions, have no byte.
    EXPECT_EQ(encoded(unit(0x80)), "%3F");
    EXPECT_EQ(encoded(unit(0x81)), "%3F");
    EXPECT_EQ(encoded(unit(0x9D)), "%3F");
    // A character beyond the 16-bit range is two units, so two question marks.
    EXPECT_EQ(encoded(QStringLiteral("a😀b")), "a%3F%3Fb");
}

TEST(FormEncoding, LongTextIsEncodedWhole)
{
    QString text;
    for (int i = 0; i < 10'000; ++i)
        text += QStringLiteral("x =é");
    const QString result = urlEncode(text);
    ASSERT_EQ(result.size(), 10'000 * 8);
    EXPECT_TRUE(result.startsWith(QStringLiteral("x+%3D%E9x+%3D%E9")));
    EXPECT_TRUE(result.endsWith(QStringLiteral("x+%3D%E9")));
}
