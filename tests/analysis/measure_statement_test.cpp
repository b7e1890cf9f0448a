// The statement of what the measure is stands word for word in the man pages and the help book.
#include "analysis/measure_statement.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

// The words of a text, one blank apart, without roff requests (lines starting with a dot) and
// HTML tags. (No std::regex: GCC 12 warns falsely inside it in the sanitizer builds.)
std::string Words(const std::string& text) {
    std::string words;
    bool lineStart = true;
    bool request = false;
    bool tag = false;
    const auto blank = [&] {
        if (!words.empty() && words.back() != ' ') words += ' ';
    };
    for (const char c : text) {
        if (c == '\n') {
            request = false;
            lineStart = true;
            blank();
            continue;
        }
        if (lineStart && c == '.') request = true;
        lineStart = false;
        if (request) continue;
        if (c == '<') tag = true;
        if (tag) {
            if (c == '>') {
                tag = false;
                blank();
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r')
            blank();
        else
            words += c;
    }
    if (!words.empty() && words.back() == ' ') words.pop_back();
    return words;
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
