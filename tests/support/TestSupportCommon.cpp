// What the test support does the same way on every system.
#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <list>
#include <random>
#include <sstream>
#include <stdexcept>

namespace orvtest {

namespace {

std::map<std::string, ChildBody>& roles()
{
    static std::map<std::string, ChildBody> registered;
    return registered;
}

} // namespace

TempDir::TempDir()
{
    namespace fs = std::filesystem;
    std::random_device random;
    const fs::path made = fs::temp_directory_path() / ("orvtest-" + std::to_string(random()) + std::to_string(random()));
    if (!fs::create_directory(made))
        throw std::runtime_error("cannot make " + made.u8string());
    m_Path = made.u8string();
    // Unprivileged children must be able to reach files inside.
    fs::permissions(made, fs::perms::all);
}

// Every name is listed before the first is removed: a listing that goes on while files go
// never ends under wine when one of them is still open somewhere (a trace file). What
// cannot be removed stays.
TempDir::~TempDir()
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    std::vector<fs::path> names;
    for (fs::recursive_directory_iterator it(fs::u8path(m_Path), ignored), end; !ignored && it != end;
         it.increment(ignored))
        names.push_back(it->path());
    for (auto name = names.rbegin(); name != names.rend(); ++name)
        fs::remove(*name, ignored);
    fs::remove(fs::u8path(m_Path), ignored);
}

std::string TempDir::file(const std::string& relative) const { return native(m_Path + "/" + relative); }

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// In text mode, as the configuration service writes its files: on Windows a line end written
// as a carriage return and line feed reads back as the line feed the expectations hold.
std::string readFile(const std::string& path)
{
    std::ifstream in(std::filesystem::u8path(path));
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

bool fileExists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::u8path(path), ignored);
}

void makeDirs(const std::string& path) { std::filesystem::create_directories(std::filesystem::u8path(path)); }

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_Name(name)
{
    if (const char* old = std::getenv(name))
        m_Old = old;
    detail::setEnvironment(name, value);
}

ScopedEnv::~ScopedEnv() { detail::setEnvironment(m_Name.c_str(), m_Old ? m_Old->c_str() : nullptr); }

bool haveModeBits() { return !isWindows(); }

bool haveChildProcesses() { return !isWindows(); }

bool registerChildRole(const char* role, ChildBody body)
{
    roles()[role] = body;
    const char* asked = std::getenv(detail::ROLE_VARIABLE);
    if (asked == nullptr || std::string(asked) != role)
        return true;
    const char* argument = std::getenv(detail::ARGUMENT_VARIABLE);
    const int status = body(argument != nullptr ? argument : "");
    std::fflush(nullptr);
    std::_Exit(status);
}

namespace detail {

ChildBody childRole(const char* role)
{
    const auto found = roles().find(role);
    return found != roles().end() ? found->second : nullptr;
}

} // namespace detail

void installProbe(const std::string& home, const std::string& log, const std::string& watched)
{
    namespace fs = std::filesystem;
    const fs::path built = fs::u8path(probeProgram());
    fs::copy_file(built, fs::u8path(home) / built.filename(), fs::copy_options::overwrite_existing);
    writeFile(home + SEP + "fsprobe.conf", log + "\n" + watched + "\n");
}

std::string probeProgram() { return native(ORV_TEST_FSPROBE); }

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const EnvChanges& env)
{
    TempDir capture;
    const std::string out = capture.file("out"), err = capture.file("err");
    std::list<ScopedEnv> changed;
    for (const auto& [name, value] : env)
        changed.emplace_back(name.c_str(), value ? value->c_str() : nullptr);
    const int status = detail::runRedirected(program, args, out, err);
    return {status, readFile(out), readFile(err)};
}

int runChildRole(const char* role, const std::string& argument) { return ChildProcess(role, argument).wait(); }

} // namespace orvtest
