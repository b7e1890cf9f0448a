// Files for reading, as the file source needs them: open an existing file without sharing, query
// its length, read, close. Failures throw CFileException, which carries the cause, the system's
// error number and the file name.
//
// "Without sharing" is an exclusive, non-blocking flock() held while the file is open: a second
// open of the same file by this program or another one that takes the same lock is refused with
// a sharing violation. Programs that do not lock are not kept out (advisory locks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

struct stat;

namespace platform {

class CFileException : public std::exception {
public:
    enum class Cause {
        generic,
        notFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        hardIO,
        sharingViolation,
        notRegularFile,  // a FIFO, socket or device: no length, may block, never a sound file
    };

    CFileException(Cause cause, int osError, std::string fileName);

    Cause GetCause() const noexcept { return m_cause; }
    int GetOsError() const noexcept { return m_osError; }  // errno, 0 when none
    const std::string& GetFileName() const noexcept { return m_fileName; }
    // For example "Sharing violation while accessing /x/y.wav."
    const char* what() const noexcept override { return m_text.c_str(); }

    static Cause CauseFromErrno(int osError);

private:
    Cause m_cause;
    int m_osError;
    std::string m_fileName;
    std::string m_text;
};

// One file opened for reading. Not shared between threads at the same time: its owner hands it
// from thread to thread.
class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    // Closes the file if it is still open.
    ~CFile();

    // Opens an existing file for reading only, as a binary file, and locks it exclusively.
    // A file still open in this object is closed first. Directories are refused (access denied),
    // and so is anything else that is not a regular file (FIFOs, sockets, devices), before it is
    // opened and without ever blocking.
    void Open(const std::string& path);
    // Throws what Open would throw for a missing file or one that is not a regular file.
    static void RequireRegularFile(const std::string& path);
    // Length in bytes: the size the file system gives, or less once a read found the data
    // ending sooner (files of the kernel's file systems give a size they do not hold).
    std::uint64_t GetLength() const;
    // Reads up to `count` bytes; returns the number read: fewer only at the end of the file,
    // 0 past it.
    std::size_t Read(void* buffer, std::size_t count);
    // Moves the read position to `offset` bytes from the start.
    void Seek(std::uint64_t offset);
    // Releases the lock and closes; does nothing when no file is open.
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetFilePath() const { return m_path; }
    // The system's descriptor, -1 when closed.
    int GetHandle() const { return m_fd; }

private:
    [[noreturn]] void Throw(int osError) const;
    static void RefuseUnlessRegular(const struct stat& info, const std::string& path);

    int m_fd = -1;
    std::string m_path;
    std::uint64_t m_dataEnd = UINT64_MAX;  // where a read last met the end of the data
};

}  // namespace platform
