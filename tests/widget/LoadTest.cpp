#include "ControlDriver.h"

#include <QProgressBar>
#include <QSignalSpy>

using C = ControlDriver;

namespace {

const std::vector<C::Active> kActive = {{"12", "Smith & Sons <North>", "3", "11/30/2026 08:15:00"},
    {"7", "Warehouse East", "2", "12/01/2026 10:00:00"}, {"123", "Lakeside Depot", "2", ""}};
const std::vector<C::Selected> kSelected = {
    {"9", "Harbor Logistics", "0.1", "TRUE"}, {"5", "Central Hub", "0.125", "false"}};
const QByteArray kCounts = "/VendorCenter.asp?count=1&VendorID=12";
const QByteArray kActiveRows = "/VendorCenter.asp?active=1&VendorID=12";
const QString kNotSet = QStringLiteral("91: Object variable or With block variable not set");

} // namespace

class LoadTest : public DriverTest
{
    Q_OBJECT

private slots:
    void loadFillsBothListsFromTheThreeQueries()
    {
        d->page.serveVendor(12, 1, kActive, kSelected);
        QList<Qt::CursorShape> cursors; // the busy pointer while the queries run
        d->page.onRequest([&](const FakeServerPage::Request &) { cursors << d->control.cursor().shape(); });
        QVERIFY(!d->control.LetDataFromDatabase(12, d->page.baseUrl()).isValid());
        QCOMPARE(cursors, QList<Qt::CursorShape>(3, Qt::WaitCursor));
        QVERIFY(d->log.isEmpty() && d->boxes.isEmpty());
        // Sorted by the padded id, so 7 < 12 < 123; every active row gets the default fee of 8 %.
        QCOMPARE(d->rows(d->centers()),
            QStringList({"7|Warehouse East|2|8.00|1|12/01/2026 10:00:00|0007",
                "12|Smith & Sons <North>|3|8.00|0|11/30/2026 08:15:00|0012", "123|Lakeside Depot|2|8.00|1||0123"}));
        QCOMPARE(
            d->rows(d->chosen()), QStringList({"5|Central Hub||12.5|0||0005", "9|Harbor Logistics||10.0|1||0009"}));
        QCOMPARE(d->text("lblAllVendors"), "Non Selected Active Centers (3):");
        QCOMPARE(d->text("lblSelVendors"), "Selected Centers (2):");
        QVERIFY(!d->enabled("cmdCommit") && d->highlighted(d->centers()).isEmpty());
    }

    // The bar is set at most once a frame while rows are read, to each list's
    // last row (counting from 0), to the total, then back to 0.
    void progressBarEndsOnEachListsCount()
    {
        std::vector<C::Active> active;
        for (int id = 1; id <= 3000; ++id)
            active.push_back({QString::number(id), "Center", "1", ""});
        d->page.serveVendor(12, 0, active, std::vector<C::Selected>(1000, {"5001", "Center", "0.05", "1"}));
        auto *bar = d->widget<QProgressBar>("prbLoad");
        QSignalSpy spy(bar, &QProgressBar::valueChanged);
        d->control.LetDataFromDatabase(12, d->page.baseUrl());
        QList<int> shown;
        for (const QList<QVariant> &signal : spy)
            shown << signal.at(0).toInt();
        QCOMPARE(shown.mid(shown.size() - 3), QList<int>({3999, 4000, 0}));
        QVERIFY(shown.contains(2999) && shown.size() < 100 && std::is_sorted(shown.begin(), shown.end() - 1));
        QCOMPARE(bar->maximum(), 4000);
    }

    // Nodes are found by position, never by name: a comment or text between
    // elements shifts them, and the last child node of a field is its text.
    void nodesAreFoundByPosition()
    {
        d->page.setReply(kCounts, {200, "<r><a><b><!--1--><x>0</x><y>2</y><z>9</z></b></a></r>"});
        d->page.setReply("/VendorCenter.asp?active=1&VendorID=12",
            {200, "<r><v/><rows><c><i>31</i><n/><k>2</k><f>12.5</f><d>x</d><t>one<!--two--></t></c></rows></r>"});
        d->page.setReply("/VendorCenter.asp?selected=1&VendorID=12",
            {200, "<q>text<w/><rows><row><a>8</a><b>B</b><c>0.05</c><d>1</d></row></rows></q>"});
        d->control.LetDataFromDatabase(12, d->page.baseUrl());
        QVERIFY2(d->log.isEmpty(), qPrintable(d->log.join('\n')));
        QCOMPARE(d->text("lblAllVendors") + d->text("lblSelVendors"),
            "Non Selected Active Centers (0):Selected Centers (2):");
        QCOMPARE(d->rows(d->centers()), QStringList {"31||2|8.00|1|two|0031"});
        QCOMPARE(d->rows(d->chosen()), QStringList {"8|B||5.0|1||0008"});
    }

    // No server base, an error status, counts past 16 bits and a page gone each fail at the counts and ask for no list;
    // a failed active list is followed by no query. The lists stay empty under the labels of the last good load. Each
    // query goes out only once the reply before it has been read: the list queries arrive after the counts were shown.
    void aFailedQueryEndsTheLoad()
    {
        d->control.LetDataFromDatabase(12);
        d->page.serveVendor(12, 0, kActive, kSelected);
        d->control.LetDataFromDatabase(12, d->page.baseUrl());
        d->page.clearRequests();
        d->page.setReply(kCounts, {500, FakeServerPage::countsXml("1", "1", "1")});
        d->control.LetDataFromDatabase(12);
        d->page.setReply(kCounts, {200, FakeServerPage::countsXml("0", "20000", "20000")});
        d->control.LetDataFromDatabase(12);
        const auto shown = [this] {
            return QString::number(d->centers()->model()->rowCount() + d->chosen()->model()->rowCount()) + ' '
                + d->text("lblAllVendors") + d->text("lblSelVendors");
        };
        QCOMPARE(shown(), "0 Non Selected Active Centers (3):Selected Centers (2):");
        d->page.serveVendor(12, 0, {kActive[0]}, {kSelected[0]});
        d->page.setReply(kActiveRows, {500, "busy"});
        QStringList captionsOnArrival;
        d->page.onRequest([&](const FakeServerPage::Request &) { captionsOnArrival << d->text("lblAllVendors"); });
        d->control.LetDataFromDatabase(12);
        d->page.setReply(kActiveRows, {200, FakeServerPage::activeXml({kActive[0]})});
        d->control.LetDataFromDatabase(12);
        QCOMPARE(d->page.sent().join(' ').replace("/VendorCenter.asp?", "").replace("=1&VendorID=12", ""),
            "GET count GET count GET count GET active GET count GET active GET selected");
        QCOMPARE(captionsOnArrival.join(' ').remove("Non Selected Active Centers "), "(3): (1): (1): (1): (1):");
        QCOMPARE(d->ids(d->chosen()), QStringList({"9"}));
        d->page.stop();
        d->control.LetDataFromDatabase(12);
        QCOMPARE(d->log,
            QStringList({loadFailure(kNotSet), loadFailure(kNotSet), loadFailure("6: Overflow"), loadFailure(kNotSet),
                loadFailure(kNotSet)}));
        QCOMPARE(shown(), "0 Non Selected Active Centers (1):Selected Centers (1):");
    }
};

QTEST_MAIN(LoadTest)
#include "LoadTest.moc"
