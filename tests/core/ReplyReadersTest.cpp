#include "core/ReplyReaders.h"
#include "core/Failure.h"
#include "core/Formats.h"
#include "core/Marks.h"

#include <gtest/gtest.h>

using namespace vendorcenter;

// The readers' quick paths give the rules' sort keys and numbers under every
// regional setting: the country sets an active row's duty (the default is
// country 2 here), a selected row's fee is a fraction shown in percent.
class ReplyReaders : public ::testing::TestWithParam<QLocale::Language>
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(GetParam())); }
    static std::optional<CenterRow> read(const std::string &xml, bool selected)
    {
        pugi::xml_document document;
        document.load_string(xml.c_str());
        std::vector<CenterRow> rows;
        try {
            selected ? replies::readSelectedRows(document.document_element(), rows, {})
                     : replies::readActiveRows(document.document_element(), 1, rows, {});
        } catch (const Failure &) {
            return std::nullopt;
        }
        return rows.at(0);
    }
};

TEST_P(ReplyReaders, GiveTheRulesSortKeysAndNumbers)
{
    for (const std::string id :
        {"7", "0007", "00012", "000", "12345", "000012345", "1234567890123456", "A7", "-7", " 7", "7.5"})
        EXPECT_EQ(read("<r><v/><c><c><i>" + id + "</i><n>N</n><k>1</k></c></c></r>", false).value().sortKey(),
            marks::sortKeyFor(QString::fromStdString(id)));
    for (const std::string number : {"2", "02", "2.0", "1.9", "2,0", "+2", "2e0", " 2 ", "0.125", "0,125", "1.000",
             "1,000", "12.50", "0.0000001", ".5", "5.", "1.2.3", "x"}) {
        const std::optional<double> expected = formats::readReplyNumber(QString::fromStdString(number));
        const auto active = read("<r><v/><c><c><i>1</i><n>N</n><k>" + number + "</k></c></c></r>", false);
        const auto selected = read("<r><v/><s/><c><c><i>1</i><n>N</n><f>" + number + "</f><b>1</b></c></c></r>", true);
        ASSERT_EQ(active.has_value(), expected.has_value()) << number;
        ASSERT_EQ(selected.has_value(), expected.has_value()) << number;
        if (expected) {
            EXPECT_EQ(active->duty(), *expected == 2 ? "1" : "0") << number;
            EXPECT_EQ(selected->handlingFee(), formats::fixed(*expected * 100, 1)) << number;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Locales, ReplyReaders, ::testing::Values(QLocale::English, QLocale::German, QLocale::French, QLocale::Arabic));
