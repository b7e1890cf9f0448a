#include "platform/devices/wave_error_text.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(WaveErrorText, EveryCodeHasItsOwnTextAndUnknownCodesTheirNumber) {
    std::set<std::string> texts;
    for (platform::MMRESULT code : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 11u, 32u, 33u, 34u, 35u}) {
        const std::string text = platform::WaveErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 13u);
    EXPECT_EQ(platform::WaveErrorText(1), "Unspecified error.");
    EXPECT_EQ(platform::WaveErrorText(999), "Sound error 999.");
}

}  // namespace
