#include "ToolHarness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace orvtest {

std::size_t RunResult::errLines() const { return static_cast<std::size_t>(std::count(err.begin(), err.end(), '\n')); }

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const EnvChanges& env)
{
    TempDir capture;
    const std::string out = capture.file("out"), err = capture.file("err");
    // execv takes char* for arguments it never writes.
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int status = runInChild([&] {
        if (!std::freopen("/dev/null", "r", stdin) || !std::freopen(out.c_str(), "w", stdout)
            || !std::freopen(err.c_str(), "w", stderr))
            return 127;
        for (const auto& [name, value] : env)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        execv(program.c_str(), argv.data());
        return 127;
    });
    return {status, readFile(out), readFile(err)};
}

std::string TempInstallation::shipped(const std::string& relative, const std::string& home)
{
    std::string text = readFile(std::string(ORV_TEST_SOURCE_DIR) + "/dist/" + relative);
    if (text.empty())
        throw std::runtime_error("no shipped file " + relative);
    const std::pair<std::string, std::string> fills[] = {
        {"@ORV_HOME@", home}, {"@ORV_VERSION@", ORV_TEST_VERSION}, {"@ORV_INSTALL_TYPE@", "local"}};
    for (const auto& [from, to] : fills) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    }
    return text;
}

TempInstallation::TempInstallation(Layout layout)
{
    for (const char* dir : {"bin/plugins", "bin/customscanners", "config", "install"})
        makeDirs(path(layout == ProgramOnly ? "bin" : dir));
    std::error_code linkError;
    fs::create_hard_link(ORV_TEST_TOOL, path("bin/orvcfg"), linkError);
    if (linkError)
        fs::copy_file(ORV_TEST_TOOL, path("bin/orvcfg"));
    fs::create_directory_symlink(ORV_TEST_LIB_DIR, path("lib"));
    for (const char* file : {"config/Orv.properties", "config/OrvTrace.properties", "config/orvcli.xml",
                             "install/orv_install.properties", "bin/orvcli.xsd"}) {
        if (layout == FullLayout)
            write(file, shipped(file, root()));
    }
}

RunResult TempInstallation::run(const std::vector<std::string>& args, EnvChanges env) const
{
    env.emplace("ORV_LOCALDIR", std::nullopt);
    return runProgram(path("bin/orvcfg"), args, env);
}

namespace {

// Recursive descent that fills the path → value map of parseJson. orvcfg writes no white
// space but the final line feed, so none is skipped.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : m_Text(text) {}

    std::map<std::string, std::string> document()
    {
        value("");
        if (m_Text.compare(m_Pos, std::string::npos, "\n") != 0)
            fail("not one document and a line feed");
        return m_Paths;
    }

private:
    [[noreturn]] void fail(const std::string& why) const
    {
        throw std::runtime_error("JSON: " + why + " at offset " + std::to_string(m_Pos));
    }

    bool take(char c) { return m_Pos < m_Text.size() && m_Text[m_Pos] == c && ++m_Pos; }

    void expect(char c)
    {
        if (!take(c))
            fail(std::string("expected '") + c + "'");
    }

    void value(const std::string& path)
    {
        const std::string prefix = path.empty() ? path : path + ".";
        if (take('{') || take('[')) {
            const char close = m_Text[m_Pos - 1] == '{' ? '}' : ']';
            long count = 0;
            for (; !take(close); ++count) {
                if (count > 0)
                    expect(',');
                std::string name = std::to_string(count);
                if (close == '}') {
                    expect('"');
                    name = text();
                    expect(':');
                }
                value(prefix + name);
            }
            m_Paths[prefix + "#"] = std::to_string(count);
        } else if (take('"')) {
            m_Paths[path] = text();
        } else {
            const std::size_t end = std::min(m_Text.find_first_of(",]}\n", m_Pos), m_Text.size());
            const std::string word = m_Text.substr(m_Pos, end - m_Pos);
            if (word != "true" && word != "false" && word != "null"
                && (word.empty() || word.find_first_not_of("0123456789", word[0] == '-') != std::string::npos))
                fail("unexpected \"" + word + "\"");
            m_Paths[path] = word;
            m_Pos = end;
        }
    }

    // The rest of a string whose opening quote was taken.
    std::string text()
    {
        static const std::string kEscapes = "\"\\/bfnrt", kMeanings = "\"\\/\b\f\n\r\t";
        std::string out;
        for (char c; (c = next()) != '"';) {
            const char escape = c == '\\' ? next() : '\0';
            if (static_cast<unsigned char>(c) < 0x20) {
                fail("control character in a string");
            } else if (c != '\\') {
                out += c;
            } else if (kEscapes.find(escape) != std::string::npos) {
                out += kMeanings[kEscapes.find(escape)];
            } else if (escape == 'u' && m_Text.compare(m_Pos, 2, "00") == 0 && m_Pos + 4 <= m_Text.size()
                       && m_Text[m_Pos + 2] >= '0' && m_Text[m_Pos + 2] <= '7') {
                out += static_cast<char>(std::stoi(m_Text.substr(m_Pos + 2, 2), nullptr, 16));
                m_Pos += 4;
            } else {
                fail("bad escape");
            }
        }
        return out;
    }

    char next()
    {
        if (m_Pos >= m_Text.size())
            fail("unterminated string");
        return m_Text[m_Pos++];
    }

    const std::string& m_Text;
    std::size_t m_Pos = 0;
    std::map<std::string, std::string> m_Paths;
};

} // namespace

std::map<std::string, std::string> parseJson(const std::string& document) { return JsonReader(document).document(); }

} // namespace orvtest
