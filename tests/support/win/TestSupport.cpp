#include "TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <windows.h>

namespace orvtest {

TempDir::TempDir()
{
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("orvtest-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_Path = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}

std::string TempDir::file(const std::string& relative) const
{
    std::string path = m_Path + SEP + relative;
    for (char& c : path)
        if (c == '/')
            c = SEP[0];
    return path;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// In text mode, as the configuration service writes its files: a line end written as a
// carriage return and line feed reads back as the line feed the expectations hold.
std::string readFile(const std::string& path)
{
    std::ifstream in(std::filesystem::u8path(path));
    if (!in)
        return std::string();
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::u8path(path), ignored);
}

void makeDirs(const std::string& path) { std::filesystem::create_directories(std::filesystem::u8path(path)); }

// The C runtime's copy of the environment is what the libraries read. It cannot hold a
// variable set to empty text: setting one to "" removes it.
ScopedEnv::ScopedEnv(const char* name, const char* value) : m_Name(name)
{
    const char* old = std::getenv(name);
    m_HadOld = old != nullptr;
    if (m_HadOld)
        m_Old = old;
    _putenv_s(name, value != nullptr ? value : "");
}

ScopedEnv::~ScopedEnv()
{
    _putenv_s(m_Name.c_str(), m_HadOld ? m_Old.c_str() : "");
}

bool haveChildProcesses() { return false; }

std::string programPath()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return std::filesystem::path(path).u8string();
}

bool haveModeBits() { return false; }

int openHandleCount()
{
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? static_cast<int>(count) : 0;
}

int runInChild(const std::function<int()>&) { return -1; }

int runUnprivileged(const std::function<int()>&) { return -1; }

} // namespace orvtest
