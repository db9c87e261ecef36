// Times as tamsor-cli history takes them, against a fixed "now" of the collector's clock.
#include "history/HistoryTimeArgument.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace
{

// 2026-03-04 06:00:00 on the collector's clock, whatever zone the test runs in.
const QDateTime Now(QDate(2026, 3, 4), QTime(6, 0), Qt::LocalTime);
constexpr qint64 NowPanel = 1772604000; // the same date and time as seconds without a zone

} // namespace

TEST(HistoryTimeArgument, TakesDatesTimesAndTimesBackFromNow)
{
    struct Case {
        const char* text;
        qint64 panelTime;
    } cases[] = {
        {"2026-03-04", NowPanel - 6 * 3600},
        {"2026-03-04T06:00", NowPanel},
        {"2026-03-04T06:00:30", NowPanel + 30},
        {"2026-03-04 06:00:30", NowPanel + 30},
        {" 2026-03-04T06:00 ", NowPanel},
        {"1970-01-01T00:00:00", 0},
        {"2024-02-29T23:59:59", 1709251199},
        {"-7d", NowPanel - 7 * 86400},
        {"-24h", NowPanel - 86400},
        {"-30m", NowPanel - 1800},
        {"-45s", NowPanel - 45},
        {"-0d", NowPanel},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_EQ(ParseHistoryTime(c.text, Now, &error), c.panelTime) << c.text << " " << qPrintable(error);
    }
}

TEST(HistoryTimeArgument, RejectsEverythingElseWithAReason)
{
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"", "neither a date and time"},
        {"yesterday", "neither a date and time"},
        {"7d", "neither a date and time"},
        {"-7w", "neither a date and time"},
        {"-d", "neither a date and time"},
        {"+7d", "neither a date and time"},
        {"-1.5h", "neither a date and time"},
        {"2026-3-4", "neither a date and time"},
        {"2026-03-04T6:00", "neither a date and time"},
        {"2026-03-04T06", "neither a date and time"},
        {"2026-03-04T06:00:00.5", "neither a date and time"},
        {"2026-02-30", "is not a date"},
        {"2026-13-01T00:00", "is not a date"},
        {"2026-03-04T24:00", "is not a time of day"},
        {"2026-03-04T06:60", "is not a time of day"},
        {"2026-03-04T06:00Z", "has a zone"},
        {"2026-03-04T06:00:00+01:00", "has a zone"},
        {"-9999999999999d", "neither a date and time"},
        {"-99999999999d", "too far back"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(ParseHistoryTime(c.text, Now, &error)) << c.text;
        EXPECT_TRUE(error.contains(c.reason)) << c.text << ": " << qPrintable(error);
    }
}
