// The statement of what the measure is stands word for word in the man pages and the help book.
#include "analysis/measure_statement.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace {

// The words of a text, one blank apart, without roff requests and HTML tags.
std::string Words(std::string text) {
    text = std::regex_replace(text, std::regex("(^|\n)\\.[^\n]*|<[^>]*>"), " ");
    text = std::regex_replace(text, std::regex("\\s+"), " ");
    const std::size_t first = text.find_first_not_of(' ');
    return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

TEST(MeasureStatement, StandsWordForWordInTheManPagesAndTheHelpBook) {
    for (const char* file :
         {"packaging/kavrin.1", "packaging/kavrin-analyze.1", "app/resources/help/index.html"}) {
        std::ifstream in(std::string(KAVRIN_SOURCE_DIR) + "/" + file);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        EXPECT_NE(Words(text).find(Words(std::string(MeasureStatement()))), std::string::npos)
            << file;
    }
}

}  // namespace
