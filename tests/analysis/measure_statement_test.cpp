// The statement of what the measure is stands word for word in the man pages and the help book.
#include "analysis/measure_statement.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace {

// The words of a text, one blank between them, with roff requests and HTML tags left out.
std::string Words(std::string text) {
    text = std::regex_replace(text, std::regex("(^|\n)\\.[^\n]*"), " ");
    text = std::regex_replace(text, std::regex("<[^>]*>"), " ");
    text = std::regex_replace(text, std::regex("\\s+"), " ");
    const auto first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

TEST(MeasureStatement, StandsWordForWordInTheManPagesAndTheHelpBook) {
    const std::string statement = Words(std::string(MeasureStatement()));
    for (const char* file :
         {"packaging/kavrin.1", "packaging/kavrin-analyze.1", "app/resources/help/index.html"}) {
        SCOPED_TRACE(file);
        std::ifstream in(std::string(KAVRIN_SOURCE_DIR) + "/" + file);
        ASSERT_TRUE(in) << "cannot read";
        const std::string text = Words(std::string(std::istreambuf_iterator<char>(in), {}));
        EXPECT_NE(text.find(statement), std::string::npos);
    }
}

}  // namespace
