// A shared library opened at run time, on first use. FFmpeg's libraries and aubio (which pulls in
// FFmpeg's and some 130 more) cost every start of a program about 60 ms of loading and
// relocation when they are linked, although most runs never call them: a batch child, a tone, a
// raw file. Opened here, they are paid for by the run that needs them.
//
// Threads: Open and Find from one thread at a time; the functions found may be called from any.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A library that cannot be opened, or lacks a function it should have.
class CLibraryUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CSharedLibrary {
public:
    // Opens `soname` (a file name the dynamic loader looks up, with its version: "libaubio.so.5").
    // Throws CLibraryUnavailable with the loader's reason.
    explicit CSharedLibrary(const char* soname);
    // The library stays loaded: its functions may still run in threads it started, and
    // unloading buys nothing for the life of a process.
    ~CSharedLibrary() = default;
    CSharedLibrary(const CSharedLibrary&) = delete;
    CSharedLibrary& operator=(const CSharedLibrary&) = delete;

    // Sets `function` to the library's function `name` (looked up in the library and in what it
    // loaded). Throws CLibraryUnavailable when there is none.
    template <typename Function>
    void Find(Function*& function, const char* name) const {
        function = reinterpret_cast<Function*>(Symbol(name));
    }

private:
    void* Symbol(const char* name) const;

    void* m_handle = nullptr;
    std::string m_soname;
};

}  // namespace platform
