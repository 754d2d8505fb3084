#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvtest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "orvtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_Path = pattern;
    // Unprivileged children must be able to reach files inside.
    chmod(m_Path.c_str(), 0777);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}

std::string TempDir::file(const std::string& relative) const { return m_Path + "/" + relative; }

bool haveChildProcesses() { return true; }

std::string programPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

bool haveModeBits() { return true; }

int openHandleCount()
{
    std::error_code ignored;
    const auto entries = std::filesystem::directory_iterator("/proc/self/fd", ignored);
    return static_cast<int>(std::distance(entries, std::filesystem::directory_iterator()));
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::string();
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

void makeDirs(const std::string& path) { std::filesystem::create_directories(path); }

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_Name(name)
{
    const char* old = std::getenv(name);
    m_HadOld = old != nullptr;
    if (m_HadOld)
        m_Old = old;
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_HadOld)
        setenv(m_Name.c_str(), m_Old.c_str(), 1);
    else
        unsetenv(m_Name.c_str());
}

namespace {

int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return -1;
}

} // namespace

int runInChild(const std::function<int()>& body)
{
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
        _exit(body());
    return waitFor(pid);
}

int runUnprivileged(const std::function<int()>& body)
{
    return runInChild([&]() {
        if (getuid() == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                return 125;
        }
        return body();
    });
}

} // namespace orvtest
