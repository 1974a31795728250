#include "core/FormEncoding.h"

#include <gtest/gtest.h>

using vendorcenter::urlEncode;

// One Windows-1252 byte per character, "?" for characters it lacks; 66
// characters pass as they are, a blank is "+", every other byte two
// upper-case hex digits.
TEST(FormEncoding, EncodesWindows1252Bytes)
{
    const std::pair<QString, const char *> examples[] = {{"50% off", "50%25+off"}, {"Café Müller", "Caf%E9+M%FCller"},
        {"ÿ€\u00A0", "%FF%80%A0"},
        {"‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ",
            "%82%83%84%85%86%87%88%89%8A%8B%8C%8E%91%92%93%94%95%96%97%98%99%9A%9B%9C%9E%9F"},
        {"Ā日\u0080\u0081\u009D", "%3F%3F%3F%3F%3F"}, {"a😀b", "a%3F%3Fb"}};
    for (const auto &[text, encoded] : examples)
        EXPECT_EQ(urlEncode(text).toStdString(), encoded) << text.toStdString();
    const QString passing = QStringLiteral("*-._0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (char16_t code = 0; code < 0x80; ++code) { // every ASCII character alone, NUL included
        const QString c(QChar {code}), escaped = QString("%%1").arg(int(code), 2, 16, QChar('0')).toUpper();
        EXPECT_EQ(urlEncode(c), code == ' ' ? "+" : passing.contains(c) ? c : escaped);
    }
    EXPECT_EQ(urlEncode(QStringLiteral("x =é").repeated(10'000)), QStringLiteral("x+%3D%E9").repeated(10'000));
}
