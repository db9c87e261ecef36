#pragma once

// A test suite that looks its texts up in the English language files of the source tree.
#include "lang/KivLanRes.h"

#include <gtest/gtest.h>

class ShippedEnglishTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LanguageResources.Discover(QStringLiteral(TAMSOR_SOURCE_DIR "/lang"));
        LanguageResources.SelectLanguage(1033);
    }
    static void TearDownTestSuite() { LanguageResources.Discover(QStringLiteral("/nonexistent")); }
};
