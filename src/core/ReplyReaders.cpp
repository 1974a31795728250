#include "core/ReplyReaders.h"

#include "core/Formats.h"
#include "core/Marks.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <unordered_map>

namespace vendorcenter::replies {

namespace {

constexpr int kActiveRowsPosition = 1;
constexpr int kSelectedRowsPosition = 2;

QString toQString(const pugi::char_t *text)
{
    return QString::fromUtf8(text);
}

// Up to 15 ASCII digits: a whole number that every reading of a number gives
// exactly, whatever the regional settings.
bool isExactWholeNumber(QStringView text)
{
    return text.size() <= 15 && formats::isAsciiDigits(text);
}

// A reply number as formats::readReplyNumber reads it. Point decimals, all
// that a server page sends in practice, read the same under every regional
// setting (a point that is no decimal point is refused as a group separator,
// and the C reading follows), so they skip the two locale parses.
std::optional<double> readNumberField(const QString &text)
{
    constexpr qsizetype kLongestQuickNumber = 32;
    if (text.size() <= kLongestQuickNumber && formats::isPointDecimal(text)) {
        char digits[kLongestQuickNumber];
        for (qsizetype i = 0; i < text.size(); ++i)
            digits[i] = static_cast<char>(text.at(i).unicode());
        double value = 0;
        const auto [end, error] = std::from_chars(digits, digits + text.size(), value);
        if (error == std::errc() && end == digits + text.size() && std::isfinite(value))
            return value;
    }
    return formats::readReplyNumber(text);
}

// The sort key of every row of a reply. Ids are plain digits in practice, and
// their key is the digits padded to four, exactly what marks::sortKeyFor
// gives, without a locale-aware parse per row.
class SortKeys
{
public:
    SortKeys() : asciiDigitsAreNumbers_(QLocale().zeroDigit() == QLatin1String("0")) { }

    QString of(const QString &id) const
    {
        if (!asciiDigitsAreNumbers_ || !isExactWholeNumber(id))
            return marks::sortKeyFor(id);
        qsizetype first = 0;
        while (first + 1 < id.size() && id.at(first) == QLatin1Char('0'))
            ++first;
        const qsizetype digits = id.size() - first;
        if (digits >= 4)
            return first == 0 ? id : id.mid(first);
        return QString(4 - digits, QLatin1Char('0')).append(QStringView(id).mid(first));
    }

private:
    bool asciiDigitsAreNumbers_;
};

// The text of the first child node of a field element: an empty element has none.
QString firstChildText(pugi::xml_node field)
{
    return nodeText(childAt(field, 0));
}

// The fee column of a selected row: percent with one decimal in the user's
// format. A vendor's centers share a handful of fees, so each distinct
// fraction is formatted once per reply.
class FeeTexts
{
public:
    QString of(double fraction)
    {
        if (const auto known = texts_.find(fraction); known != texts_.end())
            return known->second;
        QString text = formats::fixed(fraction * 100, 1);
        if (texts_.size() < kMaxRemembered)
            texts_.emplace(fraction, text);
        return text;
    }

private:
    static constexpr std::size_t kMaxRemembered = 256;
    std::unordered_map<double, QString> texts_;
};

void appendText(pugi::xml_node node, QString &out)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            out += toQString(child.value());
        else if (child.type() == pugi::node_element)
            appendText(child, out);
    }
}

} // namespace

pugi::xml_node childAt(pugi::xml_node parent, int position)
{
    pugi::xml_node child = parent ? parent.first_child() : pugi::xml_node();
    for (int i = 0; child && i < position; ++i)
        child = child.next_sibling();
    if (!child || position < 0)
        throw Failure::missingObject();
    return child;
}

int childCount(pugi::xml_node parent)
{
    int count = 0;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        ++count;
    return count;
}

QString nodeText(pugi::xml_node node)
{
    if (node.type() != pugi::node_element && node.type() != pugi::node_document)
        return toQString(node.value());
    // Nearly every field holds exactly one piece of text.
    const pugi::xml_node only = node.first_child();
    if (only && !only.next_sibling() && only.type() == pugi::node_pcdata)
        return toQString(only.value());
    QString text;
    appendText(node, text);
    return text;
}

void readCounts(pugi::xml_node root, ControlState &state)
{
    if (!root)
        throw Failure::missingObject();
    auto value = [&](int position) {
        return formats::toInt16(nodeText(childAt(childAt(childAt(root, 0), 0), position)));
    };
    state.dutyDefault = value(0);
    state.nonSelectedCount = value(1);
    state.selectedCount = value(2);
}

void readActiveRows(
    pugi::xml_node root, qint16 dutyDefault, std::vector<CenterRow> &rows, const std::function<void()> &rowRead)
{
    if (!root)
        throw Failure::missingObject();
    const pugi::xml_node holder = childAt(root, kActiveRowsPosition);
    rows.reserve(rows.size() + static_cast<std::size_t>(childCount(holder)));
    const QString activeFee = formats::fixed(8, 2);
    const SortKeys sortKeys;
    for (pugi::xml_node rowNode = holder.first_child(); rowNode; rowNode = rowNode.next_sibling()) {
        const QString id = firstChildText(childAt(rowNode, 0));
        CenterRow &row = rows.emplace_back();
        row.id = id;
        const int fields = childCount(rowNode);
        pugi::xml_node field = rowNode.first_child().next_sibling();
        for (int i = 1; i < fields; ++i, field = field.next_sibling()) {
            // The fee and the duty flag are set below, whatever the reply holds.
            if (i == ColHandlingFee || i == ColDuty)
                continue;
            // Every child of a field overwrites the one before: the last wins.
            for (pugi::xml_node part = field.first_child(); part; part = part.next_sibling())
                row.subItem(i) = nodeText(part);
        }
        row.subItem(ColHandlingFee) = activeFee;
        const std::optional<double> country = readNumberField(row.subItem(ColCountryId));
        if (!country)
            throw Failure::typeMismatch();
        row.subItem(ColDuty) = (*country == 2 && dutyDefault == 1) ? QStringLiteral("1") : QStringLiteral("0");
        row.subItem(ColSortKey) = sortKeys.of(row.id);
        if (rowRead)
            rowRead();
    }
}

void readSelectedRows(pugi::xml_node root, std::vector<CenterRow> &rows, const std::function<void()> &rowRead)
{
    if (!root)
        throw Failure::missingObject();
    const pugi::xml_node holder = childAt(root, kSelectedRowsPosition);
    rows.reserve(rows.size() + static_cast<std::size_t>(childCount(holder)));
    const SortKeys sortKeys;
    FeeTexts feeTexts;
    for (pugi::xml_node rowNode = holder.first_child(); rowNode; rowNode = rowNode.next_sibling()) {
        const QString id = firstChildText(childAt(rowNode, 0));
        CenterRow &row = rows.emplace_back();
        row.id = id;
        row.subItem(ColName) = firstChildText(childAt(rowNode, 1));
        const std::optional<double> fraction = readNumberField(firstChildText(childAt(rowNode, 2)));
        if (!fraction)
            throw Failure::typeMismatch();
        row.subItem(ColHandlingFee) = feeTexts.of(*fraction);
        row.subItem(ColDuty) =
            formats::toBoolean(firstChildText(childAt(rowNode, 3))) ? QStringLiteral("1") : QStringLiteral("0");
        row.subItem(ColSortKey) = sortKeys.of(row.id);
        if (rowRead)
            rowRead();
    }
}

} // namespace vendorcenter::replies
