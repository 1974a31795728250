// Two clerks, each at a control of their own, on vendor 12 of the demo data,
// against the real server page: a save made meanwhile is never overwritten
// unasked, and the database is always what the accepted commits made it.

#include "ControlDriver.h"
#include "ServerPageFixture.h"

#include <QApplication>

#include <unistd.h>

#include <map>
#include <random>

using namespace vendorcenter::server::testing;
using C = ControlDriver;

namespace {

const QString kCancel = QStringLiteral("Cancel"), kSaveAnyway = QStringLiteral("Save anyway"),
              kReload = QStringLiteral("Reload and keep my changes");
const QString kConflict = QStringLiteral(
    "Someone else saved changes to this vendor after the lists were loaded. Nothing of yours was saved.");

// Vendor 12's selected centers: handling fee in hundredths of a percent, duty flag.
using Selected = std::map<long long, std::pair<long long, int>>;

class TwoClerksTest : public ::testing::TestWithParam<StorageKind>
{
protected:
    void SetUp() override
    {
        database_ = TestDatabase::create(GetParam(), directory_);
        if (!database_)
            GTEST_SKIP();
        database_->open().reset(); // the schema and the demo data
        page_.emplace(database_->connectionText());
        base_ = QStringLiteral("http://127.0.0.1:%1").arg(page_->port);
    }

    // The clerk's window to the front, vendor 12 loaded when asked.
    void turnTo(ControlDriver &clerk, bool load = false)
    {
        if (load)
            clerk.control.LetDataFromDatabase(C::kVendor, base_);
        ASSERT_TRUE(clerk.show());
    }
    // Both clerks answer a conflict, whichever of them is asked, with `answer`.
    void answerConflicts(const QString &answer) { a_.conflictAnswer = b_.conflictAnswer = answer; }
    Selected stored() const
    {
        Selected rows;
        for (const StoredCrossReference &row : database_->crossReferences()) {
            if (row.vendorId == C::kVendor)
                rows[row.centerId] = {std::llround(row.handlingFee * 10'000), int(row.dutyBrokerageFee)};
        }
        return rows;
    }

    int conflictsMet() const { return int((a_.boxTexts() + b_.boxTexts()).count(kConflict)); }
    void clerksAtRandom(int rounds);

    TemporaryDirectory directory_;
    std::unique_ptr<TestDatabase> database_;
    std::optional<RunningPage> page_;
    QString base_;
    ControlDriver a_, b_;
};
VC_ON_EACH_STORAGE(TwoClerksTest);

// B loaded before A saved center 9's fee; B sets 6.00 and commits. Only
// "Save anyway" overwrites A's fee; the other answers post nothing and keep
// the edit pending. A's fee differs each round, so each save is a new version.
TEST_P(TwoClerksTest, OnlySaveAnywayOverwritesASaveMadeMeanwhile)
{
    for (const auto &[answer, feeOfA] : {std::pair {kCancel, 750}, {kSaveAnyway, 725}, {kReload, 775}}) {
        SCOPED_TRACE(answer.toStdString());
        turnTo(b_, true);
        turnTo(a_, true);
        a_.clickRow(a_.chosen(), "9");
        a_.saveFee(QString::number(feeOfA / 100.0, 'f', 2));
        EXPECT_TRUE(a_.control.commit());
        turnTo(b_);
        b_.clickRow(b_.chosen(), "9");
        b_.saveFee("6.00");
        answerConflicts(answer);
        const bool overwritten = answer == kSaveAnyway;
        EXPECT_EQ(b_.control.commit(), overwritten);
        EXPECT_EQ(stored().at(9).first, overwritten ? 600 : feeOfA);
        EXPECT_EQ(b_.control.property("hasPendingChanges").toBool(), !overwritten);
    }
    EXPECT_EQ(conflictsMet(), 3);
}

// A removed centers 3 and 9 and saved; B removes 3 too, changes 9's fee and
// adds 7: the removal and the fee no longer apply and are said, the addition is kept.
TEST_P(TwoClerksTest, WhatNoLongerAppliesIsSkippedAndSaid)
{
    turnTo(b_, true);
    turnTo(a_, true);
    a_.doubleClickRow(a_.chosen(), "3");
    a_.doubleClickRow(a_.chosen(), "9");
    EXPECT_TRUE(a_.control.commit());
    turnTo(b_);
    b_.doubleClickRow(b_.chosen(), "3");
    b_.clickRow(b_.chosen(), "9");
    b_.saveFee("6.00");
    b_.doubleClickRow(b_.centers(), "7");
    answerConflicts(kReload);
    EXPECT_FALSE(b_.control.commit());
    EXPECT_TRUE(
        (a_.boxTexts() + b_.boxTexts())
            .contains(
                "The lists were loaded again and your changes applied onto them. These no longer "
                "applied and were left out:\nCenter 3: no longer selected\nHandling fee of center 9: the center is no "
                "longer selected"));
    EXPECT_TRUE(b_.control.commit());
    EXPECT_EQ(stored().count(7), 1u);
    EXPECT_EQ(stored().count(3), 0u);
}

} // namespace

// What a commit the page took does to `before`: each marked row's statement,
// an insert of a pair already there, an update or a delete of one not there skipped.
static Selected committed(Selected before, const ControlDriver &clerk)
{
    for (const QString &id : C::ids(clerk.chosen())) {
        const QString duty = C::cell(clerk.chosen(), id, C::Duty);
        const std::pair values {
            std::llround(C::cell(clerk.chosen(), id, C::Fee).toDouble() * 100), duty.left(1).toInt()};
        if (duty.endsWith('N'))
            before.try_emplace(id.toLongLong(), values);
        else if (duty.endsWith('U') && before.contains(id.toLongLong()))
            before[id.toLongLong()] = values;
    }
    for (const QString &id : C::ids(clerk.centers())) {
        if (C::cell(clerk.centers(), id, C::Duty).contains('D'))
            before.erase(id.toLongLong());
    }
    return before;
}

// Seeded rounds of moves, fee changes, fresh loads and commits with every
// answer to a conflict, by two clerks in turn at random; after each commit
// the database holds exactly the commits the page took, applied in order.
void TwoClerksTest::clerksAtRandom(int rounds)
{
    std::mt19937 random(20261208);
    const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    ControlDriver *const clerks[] = {&a_, &b_};
    for (ControlDriver *clerk : clerks)
        turnTo(*clerk, true);
    Selected expected = stored();
    int taken = 0;
    for (int round = 0; round < rounds; ++round) {
        ControlDriver &clerk = *clerks[pick(2)];
        turnTo(clerk);
        QAbstractItemView *const list = pick(2) ? clerk.centers() : clerk.chosen();
        const QStringList ids = C::ids(list);
        const QString id = ids.isEmpty() ? QString() : ids.at(pick(int(ids.size())));
        switch (pick(6)) {
        case 0:
        case 1:
            if (!id.isEmpty())
                clerk.doubleClickRow(list, id);
            break;
        case 2:
            if (!id.isEmpty() && list == clerk.chosen()) {
                clerk.clickRow(list, id);
                clerk.saveFee(QStringLiteral("%1.%2").arg(pick(20)).arg(pick(4) * 25, 2, 10, QLatin1Char('0')));
            }
            break;
        case 3:
            clerk.control.LetDataFromDatabase(C::kVendor, base_);
            break;
        default: {
            if (!clerk.control.property("hasPendingChanges").toBool())
                break;
            static const QString answers[] = {kCancel, kSaveAnyway, kReload};
            answerConflicts(answers[pick(3)]);
            const Selected after = committed(expected, clerk);
            if (clerk.control.commit()) {
                expected = after;
                ++taken;
            }
            ASSERT_EQ(stored(), expected) << "after round " << round;
        }
        }
    }
    std::printf("%d rounds: %d commits taken, %d conflicts met\n", rounds, taken, conflictsMet());
    EXPECT_GT(taken, rounds / 20);
    EXPECT_GT(conflictsMet(), 0);
}

TEST_P(TwoClerksTest, AtRandomTheDatabaseIsTheTakenCommitsInOrder)
{
    clerksAtRandom(300);
}

TEST_P(TwoClerksTest, AtRandomThroughTwoPagesBehindNginxTheDatabaseIsTheTakenCommitsInOrder)
{
    if (access("/usr/sbin/nginx", X_OK) != 0)
        GTEST_SKIP() << "needs nginx";
    const RunningPage second(database_->connectionText());
    const auto [nginx, port] = startNginx(directory_, {page_->port, second.port});
    base_ = QStringLiteral("http://127.0.0.1:%1").arg(port);
    clerksAtRandom(200);
}

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
