// A process locale that writes numbers with a decimal comma, to prove that
// our formatting does not follow it. The build makes de_DE.UTF-8 under
// <build>/locale (target hw_test_locale).
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

inline ::testing::AssertionResult UseDecimalCommaLocale() {
    setenv("LOCPATH", HW_BUILD_DIR "/locale", 1);
    if (!setlocale(LC_ALL, "de_DE.UTF-8"))
        return ::testing::AssertionFailure()
               << "locale de_DE.UTF-8 not found under " HW_BUILD_DIR "/locale";
    return ::testing::AssertionSuccess();
}
