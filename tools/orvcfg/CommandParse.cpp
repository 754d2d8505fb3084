#include "Command.h"
#include "ConfigSession.h"
#include "ExitCode.h"
#include "JsonWriter.h"
#include "Node.h"
#include "OrvCfg.h"
#include "ParseNodeSink.h"
#include "TextOutput.h"
#include "Tracer.h"
#include "XmlOrvParser.h"

#include <memory>
#include <sstream>
#include <vector>

namespace {

struct Section {
    int index; // ParseNodeSink::getNode index
    const char* name;
};

const Section kSections[] = {
    {1, "Hardware"}, {2, "XSE"}, {3, "FSScan"}, {4, "Vpd"}, {7, "UseSignatures"}, {8, "NetSignatures"}, {9, "NetConfig"},
};

struct Diagnostic {
    const char* severity; // "warning", "error", "fatal error"
    int line;             // 0 when the message concerns no line (a file that cannot be opened)
    std::string message;
};

// The parser reports through trace statements; while a parse runs, they are collected
// here instead of going to standard error, so that orvcfg can print them with the
// document's name, or put them into its JSON output; the trace file still receives them.
class DiagnosticCollector {
public:
    DiagnosticCollector()
    {
        m_Previous = Tracer::setReceiver([this](const TraceRecord& record) {
            m_Records.push_back(record);
            Tracer::writeToTraceFile(record);
        });
    }
    ~DiagnosticCollector() { Tracer::setReceiver(m_Previous); }
    DiagnosticCollector(const DiagnosticCollector&) = delete;
    DiagnosticCollector& operator=(const DiagnosticCollector&) = delete;

    std::vector<Diagnostic> diagnostics() const
    {
        std::vector<Diagnostic> result;
        for (const TraceRecord& record : m_Records)
            result.push_back(toDiagnostic(record));
        return result;
    }

private:
    // The sink's statements read "Message is <text> at line <n>"; others are passed on whole.
    static Diagnostic toDiagnostic(const TraceRecord& record)
    {
        static const std::string kLead = "Message is ";
        static const std::string kAtLine = " at line ";
        Diagnostic diagnostic{record.level <= 0 ? "fatal error" : record.level == 1 ? "error" : "warning", 0,
                              record.text};
        const std::size_t at = record.text.rfind(kAtLine);
        if (record.text.compare(0, kLead.size(), kLead) != 0 || at == std::string::npos || at < kLead.size())
            return diagnostic;
        const std::string digits = record.text.substr(at + kAtLine.size());
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
            return diagnostic;
        diagnostic.line = std::stoi(digits);
        diagnostic.message = record.text.substr(kLead.size(), at - kLead.size());
        return diagnostic;
    }

    std::vector<TraceRecord> m_Records;
    Tracer::Receiver m_Previous;
};

struct FoundSection {
    const Section* section;
    int line;
    std::string xml;
};

bool isError(const Diagnostic& diagnostic) { return diagnostic.severity[0] != 'w'; }

} // namespace

int runParse(const ToolContext& context, const Invocation& invocation)
{
    ConfigSession session(context.programPath);
    // The keys do not matter here; only where the installation and its schema are.
    const String document =
        invocation.arguments.empty() ? session.defaultDocumentPath() : toString(invocation.arguments[0]);
    const String schema = OrvCfg::getConfigurationSchemaPath();

    ParseNodeSink sink;
    int errorCount = 0;
    std::vector<Diagnostic> diagnostics;
    {
        DiagnosticCollector collector;
        XmlOrvParser parser(document, sink);
        errorCount = parser.getErrorCount();
        diagnostics = collector.diagnostics();
    }
    // A read that stopped before the XML parser could count anything still reported its
    // reason; it must not pass for a clean document.
    int reportedErrors = 0;
    for (const Diagnostic& diagnostic : diagnostics)
        reportedErrors += isError(diagnostic) ? 1 : 0;
    if (errorCount == 0)
        errorCount = reportedErrors;

    std::vector<FoundSection> found;
    std::vector<const char*> missing;
    for (const Section& section : kSections) {
        std::unique_ptr<Node> node(sink.getNode(section.index));
        if (!node) {
            missing.push_back(section.name);
            continue;
        }
        std::ostringstream xml;
        node->write(xml, 0);
        found.push_back({&section, node->getLine(), xml.str()});
    }

    if (invocation.has("--json")) {
        JsonWriter json(context.out);
        json.beginObject();
        json.key("document").value(document);
        json.key("schema").value(schema);
        json.key("errorCount").value(errorCount);
        json.key("diagnostics").beginArray();
        for (const Diagnostic& diagnostic : diagnostics) {
            json.beginObject();
            json.key("severity").value(diagnostic.severity);
            json.key("line").value(diagnostic.line);
            json.key("message").value(diagnostic.message);
            json.endObject();
        }
        json.endArray();
        json.key("sections").beginArray();
        for (const FoundSection& section : found) {
            json.beginObject();
            json.key("name").value(section.section->name);
            json.key("index").value(section.section->index);
            json.key("line").value(section.line);
            json.key("xml").value(section.xml);
            json.endObject();
        }
        json.endArray();
        json.key("missing").beginArray();
        for (const char* name : missing)
            json.value(name);
        json.endArray();
        json.endObject();
        json.finish();
    } else {
        for (const Diagnostic& diagnostic : diagnostics) {
            context.err << "orvcfg: ";
            if (diagnostic.line > 0)
                context.err << document << ':' << diagnostic.line << ": " << diagnostic.severity << ": ";
            else
                context.err << diagnostic.severity << ": ";
            context.err << diagnostic.message << '\n';
        }
        context.out << "document: " << document << '\n' << "schema:   " << schema << '\n';
        for (const FoundSection& section : found) {
            context.out << '\n'
                        << "[" << section.section->index << "] " << section.section->name << " (line " << section.line
                        << ")\n"
                        << section.xml;
            if (!section.xml.empty() && section.xml.back() != '\n')
                context.out << '\n';
        }
        context.out << '\n' << "sections: " << found.size() << " of " << (sizeof kSections / sizeof kSections[0]);
        if (!missing.empty()) {
            context.out << " (missing:";
            for (const char* name : missing)
                context.out << ' ' << name;
            context.out << ')';
        }
        context.out << '\n' << "errors: " << errorCount << '\n';
    }
    return errorCount == 0 ? TOOL_EXIT_OK : TOOL_EXIT_DOCUMENT_ERRORS;
}
