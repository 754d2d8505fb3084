#ifndef ORV_TESTS_TESTSUPPORT_H
#define ORV_TESTS_TESTSUPPORT_H

#include <filesystem>
#include <functional>
#include <string>

namespace orvtest {

// The native path separator, as the configuration service joins paths with it.
inline const std::string SEP(1, static_cast<char>(std::filesystem::path::preferred_separator));

// `path` with every "/" turned into the native separator.
inline std::string native(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = SEP[0];
    return path;
}

// A fresh directory under the system's temporary directory, removed with its contents
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_Path; }
    // path() + separator + relative, the "/" in relative turned into the native separator
    std::string file(const std::string& relative) const;

private:
    std::string m_Path;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void makeDirs(const std::string& path);

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value); // value null: unset
    ~ScopedEnv();

private:
    std::string m_Name;
    std::string m_Old;
    bool m_HadOld;
};

// The running test program's own file, as the system reports it.
std::string programPath();

// Whether files carry POSIX permission bits; Windows keeps access entries instead.
bool haveModeBits();

// Open files of this process: descriptors on POSIX, handles on Windows.
int openHandleCount();

// Whether runInChild and runUnprivileged work here: they fork, which Windows lacks.
bool haveChildProcesses();

// Runs `body` in a forked child that first drops to the unprivileged user 65534, so that
// permission bits apply even when the tests run as root. Returns the child's exit status
// (the body's result), or -1 when the child died from a signal.
int runUnprivileged(const std::function<int()>& body);

// Runs `body` in a forked child; the child's exit status, or -1 on a signal.
int runInChild(const std::function<int()>& body);

} // namespace orvtest

// The first statement of a test that runs code in a child process.
#define ORVTEST_REQUIRE_CHILD_PROCESSES()                                                              \
    if (!orvtest::haveChildProcesses())                                                                \
    GTEST_SKIP() << "needs fork() and a change of user, which Windows lacks; under wine the tests run " \
                    "as root, whom neither a read-only attribute nor a denying access entry stops"

#endif
