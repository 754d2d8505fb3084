#include "BenchDocuments.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace orvbench {
namespace {

// A fixed linear congruential sequence: the documents must not change between runs.
class Sequence {
public:
    explicit Sequence(std::uint64_t i_Seed) : m_State(i_Seed) {}
    std::uint32_t next()
    {
        m_State = m_State * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(m_State >> 33);
    }
    std::uint32_t below(std::uint32_t i_Limit) { return next() % i_Limit; }

private:
    std::uint64_t m_State;
};

void appendEscaped(std::string& o_Out, const std::string& i_Text)
{
    for (char c : i_Text) {
        switch (c) {
        case '<': o_Out += "&lt;"; break;
        case '>': o_Out += "&gt;"; break;
        case '&': o_Out += "&amp;"; break;
        case '"': o_Out += "&quot;"; break;
        case '\'': o_Out += "&apos;"; break;
        case '\t': o_Out += "&#9;"; break;
        case '\n': o_Out += "&#10;"; break;
        default: o_Out += c; break;
        }
    }
}

void appendAttribute(std::string& o_Out, const char* i_Name, const std::string& i_Value)
{
    o_Out += ' ';
    o_Out += i_Name;
    o_Out += "=\"";
    appendEscaped(o_Out, i_Value);
    o_Out += '"';
}

std::string id(const char* i_Prefix, unsigned i_Number)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%06u", i_Prefix, i_Number % 1000000u);
    return buffer;
}

const char* const VENDORS[] = {"Acme Software", "Nordlicht GmbH", "Société Générale d'Outils",
                               "Kōgyō Systems", "Smith & Sons", "Ørsted Data", "Blue <Sky> Labs"};
const char* const PRODUCTS[] = {"Inventory Agent", "Backup \"Pro\"", "Daten-Prüfer", "Mail Relay",
                                "Büro Suite", "Control Center", "Runtime & Tools"};
const char* const PLATFORMS[] = {"linux", "windows", "aix", "solaris"};
const char* const WORDS[] = {"installs", "the", "agent", "files", "résumé", "für", "データ",
                             "service", "<core>", "&", "'quoted'", "\"config\"", "naïve",
                             "module", "tab\there", "Größe", "𝄞", "update"};

std::string typicalText(Sequence& io_Random, int i_Words)
{
    std::string text;
    for (int i = 0; i < i_Words; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += WORDS[io_Random.below(sizeof WORDS / sizeof WORDS[0])];
    }
    return text;
}

// Mostly markup characters, tabs and quotes: nearly every unit becomes a reference.
std::string escapeHeavyText(Sequence& io_Random, int i_Units)
{
    static const char MARKUP[] = {'<', '>', '&', '"', '\'', '\t', '<', '&', 'a'};
    std::string text;
    for (int i = 0; i < i_Units; ++i) {
        text += MARKUP[io_Random.below(sizeof MARKUP)];
    }
    return text;
}

std::string descriptionText(Sequence& io_Random, TextStyle i_Style)
{
    return i_Style == TextStyle::TYPICAL ? typicalText(io_Random, 8 + static_cast<int>(io_Random.below(10)))
                                         : escapeHeavyText(io_Random, 40 + static_cast<int>(io_Random.below(40)));
}

void appendProbeSection(std::string& o_Out, const char* i_Name, int i_Probes)
{
    o_Out += "    <";
    o_Out += i_Name;
    o_Out += " enabled=\"true\">\n      <Timeout>300</Timeout>\n";
    for (int i = 0; i < i_Probes; ++i) {
        o_Out += "      <Probe name=\"probe-" + std::to_string(i) + "\"";
        if (i % 3 == 0) {
            o_Out += " timeout=\"120\"";
        }
        o_Out += "/>\n";
    }
    o_Out += "    </";
    o_Out += i_Name;
    o_Out += ">\n";
}

void appendSignature(std::string& o_Out, Sequence& io_Random, unsigned i_Number, TextStyle i_Style)
{
    o_Out += "      <Signature";
    appendAttribute(o_Out, "id", id("S", i_Number));
    appendAttribute(o_Out, "vendor", VENDORS[io_Random.below(sizeof VENDORS / sizeof VENDORS[0])]);
    appendAttribute(o_Out, "product", PRODUCTS[io_Random.below(sizeof PRODUCTS / sizeof PRODUCTS[0])]);
    appendAttribute(o_Out, "version", std::to_string(io_Random.below(20)) + "." + std::to_string(io_Random.below(10))
                                          + "." + std::to_string(io_Random.below(100)));
    appendAttribute(o_Out, "platform", PLATFORMS[io_Random.below(4)]);
    o_Out += ">\n";
    const int files = 1 + static_cast<int>(io_Random.below(3));
    for (int f = 0; f < files; ++f) {
        char checksum[33];
        std::snprintf(checksum, sizeof checksum, "%08x%08x%08x%08x", io_Random.next(), io_Random.next(),
                      io_Random.next(), io_Random.next());
        o_Out += "        <File";
        appendAttribute(o_Out, "name", "opt/app" + std::to_string(i_Number) + "/bin/tool&" + std::to_string(f) + ".so");
        appendAttribute(o_Out, "size", std::to_string(io_Random.next()));
        appendAttribute(o_Out, "checksum", checksum);
        o_Out += "/>\n";
    }
    o_Out += "        <Description>";
    appendEscaped(o_Out, descriptionText(io_Random, i_Style));
    o_Out += "</Description>\n      </Signature>\n";
}

void appendNetSignature(std::string& o_Out, Sequence& io_Random, unsigned i_Number, TextStyle i_Style)
{
    o_Out += "      <NetSignature";
    appendAttribute(o_Out, "id", id("N", i_Number));
    appendAttribute(o_Out, "service", PRODUCTS[io_Random.below(sizeof PRODUCTS / sizeof PRODUCTS[0])]);
    appendAttribute(o_Out, "protocol", io_Random.below(2) ? "tcp" : "udp");
    appendAttribute(o_Out, "port", std::to_string(1 + io_Random.below(65535)));
    o_Out += ">\n        <Pattern>";
    appendEscaped(o_Out, i_Style == TextStyle::TYPICAL
                             ? "GET /api/v" + std::to_string(io_Random.below(9)) + "?q=a&b=\"c\" <HTTP/1.1>"
                             : escapeHeavyText(io_Random, 24));
    o_Out += "</Pattern>\n        <Description>";
    appendEscaped(o_Out, descriptionText(io_Random, i_Style));
    o_Out += "</Description>\n      </NetSignature>\n";
}

} // namespace

std::string makeConfigDocument(std::size_t i_TargetBytes, TextStyle i_Style)
{
    Sequence random(i_TargetBytes * 31 + static_cast<std::uint64_t>(i_Style));
    std::string doc;
    doc.reserve(i_TargetBytes + 4096);
    doc += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<OrvConfiguration version=\"1.0\">\n  <Scanners>\n";
    appendProbeSection(doc, "Hardware", 6);
    appendProbeSection(doc, "XSE", 2);
    doc += "    <FSScan enabled=\"true\">\n      <Provider>provider_standard</Provider>\n"
           "      <CacheHome>/var/cache/orv</CacheHome>\n      <Timeout>3600</Timeout>\n"
           "      <Root path=\"/\"/>\n      <Root path=\"/opt\" recursive=\"false\"/>\n    </FSScan>\n";
    appendProbeSection(doc, "Vpd", 3);
    doc += "  </Scanners>\n  <Signatures>\n";

    // Three quarters of the bulk in UseSignatures, the rest in NetSignatures, as in the
    // catalogues the scanners ship.
    const std::size_t useEnd = doc.size() + i_TargetBytes * 3 / 4;
    doc += "    <UseSignatures revision=\"42\">\n";
    for (unsigned n = 0; doc.size() < useEnd; ++n) {
        appendSignature(doc, random, n, i_Style);
    }
    doc += "    </UseSignatures>\n    <NetSignatures revision=\"7\">\n";
    const std::size_t tail = 200; // the closing tags and NetConfig below
    for (unsigned n = 0; doc.size() + tail < i_TargetBytes; ++n) {
        appendNetSignature(doc, random, n, i_Style);
    }
    doc += "    </NetSignatures>\n  </Signatures>\n  <Network>\n    <NetConfig>\n"
           "      <Proxy host=\"proxy.example\" port=\"8080\"/>\n      <Timeout>30</Timeout>\n"
           "    </NetConfig>\n  </Network>\n</OrvConfiguration>\n";
    return doc;
}

std::string makePropertiesFile(int i_Lines, std::vector<std::string>* o_Keys)
{
    // The keys that setKey knows, placed in the middle of the file so that a rewrite
    // copies half the file before and half after the line it replaces.
    static const char* const KNOWN[] = {
        "trace_file=trace.log", "trace_level=MIN", "trace_comp=", "trace_file_num=5",
        "trace_file_size=10240", "fscanner.provider=provider_standard",
        "swscanner.default_input_file=/opt/orv/config/swscanner_input.xml",
        "hwscanner.timeout=300", "common_trace_path=/opt/orv/logs", "trace_file_path=/opt/orv/logs"};
    const int knownCount = static_cast<int>(sizeof KNOWN / sizeof KNOWN[0]);

    std::string file = "ORV_PROPERTIES_FILE\n";
    int written = 1;
    int filler = 0;
    auto addKey = [&](const std::string& i_Line) {
        file += i_Line;
        file += '\n';
        ++written;
        if (o_Keys != nullptr) {
            std::string key = i_Line.substr(0, i_Line.find('='));
            while (!key.empty() && key.back() == ' ') {
                key.pop_back();
            }
            o_Keys->push_back(key);
        }
    };
    auto addFiller = [&]() {
        if (filler % 10 == 0) {
            file += "# Rules of the signature evaluation, group " + std::to_string(filler / 10) + "\n";
            ++written;
            ++filler;
            return;
        }
        const std::string n = std::to_string(filler);
        switch (filler % 4) {
        case 0: addKey("sigeval.rule." + n + ".path=/opt/vendor/product" + n + "/bin"); break;
        case 1: addKey("sigeval.rule." + n + ".weight = " + std::to_string(filler % 97)); break;
        case 2: addKey("plugin.scanner" + n + ".enabled=true"); break;
        default: addKey("plugin.scanner" + n + ".description=Scanner für Geräte und Dienste, Stufe " + n); break;
        }
        ++filler;
    };
    const int middle = i_Lines / 2;
    while (written < middle) {
        addFiller();
    }
    for (int k = 0; k < knownCount; ++k) {
        addKey(KNOWN[k]);
    }
    while (written < i_Lines) {
        addFiller();
    }
    return file;
}

std::string makeTracePropertiesFile()
{
    return "#ORV_TRACE_PROPERTIES_FILE\n"
           "# Settings of the trace library.\n"
           "hw.loggers.trcLogger.level=DEBUG_MIN\n"
           "vpd.loggers.trcLogger.level=DEBUG_MIN\n"
           "fscanner.loggers.trcLogger.level=DEBUG_MIN\n"
           "common.loggers.trcLogger.level=DEBUG_MIN\n"
           "plugin.loggers.trcLogger.level=DEBUG_MIN\n"
           "sigeval.loggers.trcLogger.level=DEBUG_MIN\n"
           "handlers.traceFile.fileName=/opt/orv/logs/trace.log\n"
           "handlers.traceFile.maxFiles=5\n"
           "handlers.traceFile.maxFileSize=10240\n"
           "#handlers.traceFile.filePermission=0644\n"
           "#handlers.traceFile.dirPermission=0755\n";
}

void writeWholeFile(const std::string& i_Path, const std::string& i_Bytes)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(i_Path.c_str(), "wb"), &std::fclose);
    if (!file || std::fwrite(i_Bytes.data(), 1, i_Bytes.size(), file.get()) != i_Bytes.size()) {
        throw std::runtime_error("cannot write " + i_Path);
    }
}

void makeDirectories(const std::string& i_Path)
{
    for (std::size_t slash = i_Path.find('/', 1); ; slash = i_Path.find('/', slash + 1)) {
        const std::string prefix = i_Path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            throw std::runtime_error("cannot create " + prefix);
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

} // namespace orvbench
