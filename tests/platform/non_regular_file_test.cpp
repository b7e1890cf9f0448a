// Names that are no regular file: refused by the file layer before they are opened, without
// blocking, with a reason of their own; links to regular files still open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "platform/services/file.h"

namespace {

using platform::CFile;
using platform::CFileException;
using namespace std::chrono_literals;

std::string Folder() {
    const std::string folder =
        ::testing::TempDir() + "kavrin_special_" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(folder);
    return folder;
}

// The open's outcome, given a deadline: a FIFO nobody writes must not hold it.
CFileException::Cause OpenCause(const std::string& path) {
    auto open = std::async(std::launch::async, [path] {
        CFile file;
        try {
            file.Open(path);
        } catch (const CFileException& error) {
            EXPECT_FALSE(file.IsOpen());
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
            return error.GetCause();
        }
        return CFileException::Cause::generic;
    });
    if (open.wait_for(10s) != std::future_status::ready) {
        // Release the blocked open so that the test ends with its failure instead of hanging.
        std::ofstream writer(path);
        ADD_FAILURE() << "the open of " << path << " blocked";
    }
    return open.get();
}

TEST(SpecialFile, FifosDevicesAndKernelFilesAreRefusedAtOnce) {
    const std::string fifo = Folder() + "fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OpenCause(fifo), CFileException::Cause::notRegularFile);
    std::remove(fifo.c_str());

    EXPECT_EQ(OpenCause("/dev/zero"), CFileException::Cause::notRegularFile);
    EXPECT_EQ(OpenCause("/dev/null"), CFileException::Cause::notRegularFile);
    // Regular to the system, but with a length of 0 that reading contradicts.
    EXPECT_EQ(OpenCause("/proc/cpuinfo"), CFileException::Cause::notRegularFile);
    EXPECT_EQ(
        std::string(CFileException(CFileException::Cause::notRegularFile, 0, "/dev/zero").what()),
        "Not a regular file while accessing /dev/zero.");
    // A folder keeps its own cause.
    EXPECT_EQ(OpenCause(Folder()), CFileException::Cause::accessDenied);
    EXPECT_THROW(CFile::RequireRegularFile("/dev/zero"), CFileException);
}

TEST(SpecialFile, LinksToRegularFilesAndEmptyRegularFilesOpen) {
    const std::string target = Folder() + "target.wav";
    const std::string link = Folder() + "link.wav";
    const std::string empty = Folder() + "empty.wav";
    std::ofstream(target) << "0123456789";
    std::ofstream(empty).close();
    std::remove(link.c_str());
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    CFile file;
    ASSERT_NO_THROW(file.Open(link));
    EXPECT_EQ(file.GetLength(), 10u);
    char byte = 0;
    EXPECT_EQ(file.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, '0');
    // The descriptor blocks again as usual once open.
    file.Close();
    ASSERT_NO_THROW(file.Open(empty));
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_NO_THROW(CFile::RequireRegularFile(link));
    std::filesystem::remove_all(Folder());
}

}  // namespace
