// The English translation as the unit tests load it from the source tree.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/text.h"
#include "i18n/translation.h"

namespace pell::test {

inline Translation EnglishTranslation() {
    std::ifstream in(PELL_SOURCE_DIR "/resources/lang/english.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    Translation t;
    std::wstring error;
    EXPECT_TRUE(Translation::Parse(Utf8ToWide(ss.str()), t, error)) << WideToUtf8(error);
    return t;
}

}  // namespace pell::test
