// Libraries opened on first use: a missing one or a missing function is an exception that says
// which, never a crash later in a run.
#include "platform/services/shared_library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using platform::CLibraryUnavailable;
using platform::CSharedLibrary;

std::string Reason(const char* soname, const char* function) {
    try {
        CSharedLibrary library(soname);
        double (*found)(double) = nullptr;
        library.Find(found, function);
        return found(0.0) == std::cos(0.0) ? "" : "the function found is not the one named";
    } catch (const CLibraryUnavailable& error) {
        return error.what();
    }
}

TEST(SharedLibrary, SaysWhichLibraryOrFunctionIsMissing) {
    EXPECT_EQ(Reason("libm.so.6", "cos"), "");
    EXPECT_NE(Reason("libkavrin-none.so.0", "cos").find("libkavrin-none.so.0"), std::string::npos);
    EXPECT_EQ(Reason("libm.so.6", "kavrin_none"), "libm.so.6 has no function kavrin_none");
}

}  // namespace
