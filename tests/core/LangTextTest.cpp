// Language texts with printf-style placeholders filled from a list of arguments.
#include "lang/LangText.h"

#include <gtest/gtest.h>

TEST(LangText, PlaceholdersAreFilledInOrderAndOthersStay)
{
    const struct {
        const char* pattern;
        QStringList args;
        const char* expected;
    } cases[] = {
        {"Station %d of %s", {"3", "Line 1"}, "Station 3 of Line 1"},
        {"%i%u", {"1", "2"}, "12"},
        {"100%% of %s", {"x"}, "100% of x"},
        {"%s and %s", {"one"}, "one and %s"},          // too few arguments
        {"only %s", {"a", "surplus"}, "only a"},       // too many
        {"%x %5d %", {"a"}, "%x %5d %"},               // not placeholders it fills
        {"%s", {"%d"}, "%d"},                          // an argument is not filled again
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatLangText(QString::fromUtf8(c.pattern), c.args), QString::fromUtf8(c.expected))
            << c.pattern;
}
