#include "platform/services/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using platform::CFile;
using platform::CFileException;

class TempPath {
public:
    explicit TempPath(const std::string& name)
        : m_path(::testing::TempDir() + "kavrin_file_" + std::to_string(::getpid()) + "_" + name) {}
    ~TempPath() { std::remove(m_path.c_str()); }
    TempPath(const TempPath&) = delete;
    TempPath& operator=(const TempPath&) = delete;
    const std::string& Path() const { return m_path; }

    void Write(std::size_t size) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 7));
    }

private:
    std::string m_path;
};

CFileException OpenError(const std::string& path) {
    CFile file;
    try {
        file.Open(path);
    } catch (const CFileException& error) {
        EXPECT_FALSE(file.IsOpen());
        return error;
    }
    ADD_FAILURE() << "opened " << path;
    return CFileException(CFileException::Cause::generic, 0, path);
}

TEST(File, ReadsAnExistingFileAndReportsItsLength) {
    TempPath path("read.bin");
    path.Write(10000);
    CFile file;
    EXPECT_FALSE(file.IsOpen());
    file.Open(path.Path());
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetFilePath(), path.Path());
    EXPECT_EQ(file.GetLength(), 10000u);
    std::vector<unsigned char> buffer(8192);
    EXPECT_EQ(file.Read(buffer.data(), 8192), 8192u);
    EXPECT_EQ(buffer[1], 7);
    EXPECT_EQ(buffer[8191], static_cast<unsigned char>(8191 * 7));
    EXPECT_EQ(file.Read(buffer.data(), 8192), 10000u - 8192u);  // fewer at the end
    EXPECT_EQ(buffer[0], static_cast<unsigned char>(8192 * 7));
    EXPECT_EQ(file.Read(buffer.data(), 8192), 0u);  // none past it
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close();  // harmless
}

TEST(File, FailuresCarryTheirCauseErrorNumberAndFileName) {
    const std::string missing = ::testing::TempDir() + "kavrin_file_missing.bin";
    CFileException notFound = OpenError(missing);
    EXPECT_EQ(notFound.GetCause(), CFileException::Cause::notFound);
    EXPECT_EQ(notFound.GetOsError(), ENOENT);
    EXPECT_EQ(notFound.GetFileName(), missing);
    EXPECT_EQ(std::string(notFound.what()), "File not found while accessing " + missing + ".");

    TempPath plain("plain.bin");
    plain.Write(10);
    EXPECT_EQ(OpenError(plain.Path() + "/inside").GetCause(), CFileException::Cause::badPath);

    CFileException folder = OpenError(::testing::TempDir());
    EXPECT_EQ(folder.GetCause(), CFileException::Cause::accessDenied);
    EXPECT_EQ(folder.GetOsError(), EISDIR);
}

TEST(File, AnOpenFileIsNotShared) {
    TempPath path("shared.bin");
    path.Write(100);
    CFile first;
    first.Open(path.Path());
    CFileException second = OpenError(path.Path());
    EXPECT_EQ(second.GetCause(), CFileException::Cause::sharingViolation);
    EXPECT_EQ(std::string(second.what()), "Sharing violation while accessing " + path.Path() + ".");
    first.Close();
    CFile third;
    EXPECT_NO_THROW(third.Open(path.Path()));
}

TEST(File, ALockHeldByAnotherProgramRefusesTheOpen) {
    TempPath path("other.bin");
    path.Write(100);
    // Another program's open: its own open file description with the same kind of lock.
    const int fd = ::open(path.Path().c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(OpenError(path.Path()).GetCause(), CFileException::Cause::sharingViolation);
    ::close(fd);
    CFile file;
    EXPECT_NO_THROW(file.Open(path.Path()));
    // And ours keeps the other program out.
    const int other = ::open(path.Path().c_str(), O_RDONLY);
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(errno, EWOULDBLOCK);
    ::close(other);
}

TEST(File, AReadErrorRaisesAFileError) {
    TempPath path("bad_read.bin");
    path.Write(100);
    CFile file;
    file.Open(path.Path());
    const int folder = ::open(::testing::TempDir().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    ASSERT_GE(::dup2(folder, file.GetHandle()), 0);
    ::close(folder);
    char buffer[16];
    try {
        file.Read(buffer, sizeof(buffer));
        ADD_FAILURE() << "read succeeded";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.GetOsError(), EISDIR);
        EXPECT_EQ(error.GetFileName(), path.Path());
    }
}

TEST(File, ClosedFilesRefuseEveryOperation) {
    CFile file;
    char buffer[4];
    EXPECT_THROW(file.GetLength(), CFileException);
    EXPECT_THROW(file.Read(buffer, sizeof(buffer)), CFileException);
    EXPECT_THROW(file.Seek(0), CFileException);
}

TEST(File, LengthsAndPositionsBeyondFourGibibytes) {
    TempPath path("sparse.bin");
    constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;
    {
        const int fd = ::open(path.Path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const char tail[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        ASSERT_EQ(::pwrite(fd, tail, sizeof(tail), static_cast<off_t>(kFourGiB)), 10);
        ::close(fd);
    }
    CFile file;
    file.Open(path.Path());
    EXPECT_EQ(file.GetLength(), kFourGiB + 10);
    file.Seek(kFourGiB + 2);
    char buffer[100];
    EXPECT_EQ(file.Read(buffer, sizeof(buffer)), 8u);
    EXPECT_EQ(buffer[0], 3);
}

TEST(File, EachCauseHasAReadableText) {
    const std::vector<std::pair<CFileException::Cause, std::string>> texts{
        {CFileException::Cause::generic, "Unspecified error"},
        {CFileException::Cause::notFound, "File not found"},
        {CFileException::Cause::badPath, "Bad path"},
        {CFileException::Cause::tooManyOpenFiles, "Too many open files"},
        {CFileException::Cause::accessDenied, "Access denied"},
        {CFileException::Cause::hardIO, "Hardware I/O error"},
        {CFileException::Cause::sharingViolation, "Sharing violation"},
    };
    for (const auto& [cause, text] : texts)
        EXPECT_EQ(std::string(CFileException(cause, 0, "/x/y.wav").what()),
                  text + " while accessing /x/y.wav.");
    EXPECT_EQ(CFileException::CauseFromErrno(EIO), CFileException::Cause::hardIO);
    EXPECT_EQ(CFileException::CauseFromErrno(EACCES), CFileException::Cause::accessDenied);
    EXPECT_EQ(CFileException::CauseFromErrno(EMFILE), CFileException::Cause::tooManyOpenFiles);
    EXPECT_EQ(CFileException::CauseFromErrno(ENOSPC), CFileException::Cause::generic);
}

}  // namespace
