#include "Command.h"
#include "ConfigSession.h"
#include "ExitCode.h"
#include "JsonWriter.h"
#include "Node.h"
#include "NodeAttributes.h"
#include "OrvCfg.h"
#include "ParseNodeSink.h"
#include "TextOutput.h"
#include "Tracer.h"
#include "XmlOrvParser.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Diagnostic = ParseNodeSink::Diagnostic;

struct Section {
    int index; // ParseNodeSink::getNode index
    const char* name;
};

const Section kSections[] = {
    {1, "Hardware"}, {2, "XSE"}, {3, "FSScan"}, {4, "Vpd"}, {7, "UseSignatures"}, {8, "NetSignatures"}, {9, "NetConfig"},
};

const int kIndentWidth = 2;

struct FoundSection {
    const Section* section;
    std::unique_ptr<Node> node;
    std::string xml; // the bytes of Node::write
};

// orvcfg prints the sink's diagnostics itself, with the document's name; the trace
// statements that the library writes for the same messages would only repeat them on
// standard error, so they go to the trace file alone (nowhere when there is none).
class TraceFileOnly {
public:
    TraceFileOnly()
        : m_Previous(Tracer::setReceiver([](const TraceRecord& record) { Tracer::writeToTraceFile(record); }))
    {
    }
    ~TraceFileOnly() { Tracer::setReceiver(m_Previous); }
    TraceFileOnly(const TraceFileOnly&) = delete;
    TraceFileOnly& operator=(const TraceFileOnly&) = delete;

private:
    Tracer::Receiver m_Previous;
};

const char* severityName(Diagnostic::Severity severity)
{
    switch (severity) {
    case Diagnostic::SEVERITY_WARNING: return "warning";
    case Diagnostic::SEVERITY_ERROR: return "error";
    case Diagnostic::SEVERITY_CRITICAL: break;
    }
    return "fatal error";
}

// Only a regular file that can be read is a document.
bool documentCanBeOpened(const String& document)
{
    std::error_code ignored;
    const std::filesystem::path path(document.narrow());
    return std::filesystem::is_regular_file(path, ignored) && std::ifstream(path, std::ios::binary).is_open();
}

// Text and attribute values of the readable form: XML escapes, so that the output stays
// one element per line and reads back as XML.
void appendEscaped(std::string& out, const String& text)
{
    for (const char* p = text.narrow(), *end = p + text.narrowLength(); p != end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (c < 0x20)
                out += "&#" + std::to_string(c) + ";";
            else
                out += static_cast<char>(c);
        }
    }
}

// The element's text children, joined, without the blanks around them.
// Names and texts are read from the nodes' units: asking a node for its name as a String
// makes one that the node keeps.
String textOf(const Node& node)
{
    std::u16string units;
    for (const Node* child = node.getFirstChild(); child != nullptr; child = child->getNextSibling()) {
        if (child->getType() == 1)
            units.append(child->getNameUnits(), static_cast<std::size_t>(child->getNameLength()));
    }
    String text(units.data(), units.size());
    return text.trim();
}

std::string narrowName(const Node& node)
{
    return orvEncodeNarrow(node.getNameUnits(), static_cast<std::size_t>(node.getNameLength()));
}

bool hasElementChild(const Node& node)
{
    for (const Node* child = node.getFirstChild(); child != nullptr; child = child->getNextSibling()) {
        if (child->getType() != 1)
            return true;
    }
    return false;
}

// One element per line, indented by its depth, attributes in their order, the text on the
// element's own line. Documents are at most 1000 levels deep, so recursion is bounded.
void writeReadable(std::string& out, const Node& node, int depth)
{
    const std::string indent(static_cast<std::size_t>(depth * kIndentWidth), ' ');
    const std::string name = narrowName(node);
    out += indent + "<" + name;
    if (const NodeAttributes* attributes = node.getAttributes()) {
        String attributeName, value;
        for (int i = 0; i < attributes->getCount(); ++i) {
            attributes->getAttribute(i, attributeName, value);
            out += ' ';
            out.append(attributeName.narrow(), attributeName.narrowLength());
            out += "=\"";
            appendEscaped(out, value);
            out += '"';
        }
    }
    const String text = textOf(node);
    const bool nested = hasElementChild(node);
    if (text.isEmpty() && !nested) {
        out += "/>\n";
        return;
    }
    out += '>';
    appendEscaped(out, text);
    if (nested) {
        out += '\n';
        for (const Node* child = node.getFirstChild(); child != nullptr; child = child->getNextSibling()) {
            if (child->getType() != 1)
                writeReadable(out, *child, depth + 1);
        }
        out += indent;
    }
    out += "</" + name + ">\n";
}

void writeJson(std::ostream& out, const String& document, const String& schema, int status, int errorCount,
               const std::string& openFailure, const std::vector<Diagnostic>& diagnostics,
               const std::vector<FoundSection>& found, const std::vector<const char*>& missing)
{
    JsonWriter json(out);
    json.beginDocument();
    json.key("document").value(document);
    json.key("schema").value(schema);
    json.key("status").value(status);
    json.key("errorCount").value(errorCount);
    if (!openFailure.empty())
        json.key("error").beginObject().key("code").value(status).key("message").value(openFailure).endObject();
    json.key("diagnostics").beginArray();
    for (const Diagnostic& diagnostic : diagnostics) {
        json.beginObject();
        json.key("severity").value(severityName(diagnostic.severity));
        json.key("line").value(diagnostic.line);
        json.key("column").value(diagnostic.column);
        json.key("message").value(diagnostic.message);
        json.endObject();
    }
    json.endArray();
    json.key("sections").beginArray();
    for (const FoundSection& section : found) {
        json.beginObject();
        json.key("name").value(section.section->name);
        json.key("index").value(section.section->index);
        json.key("line").value(section.node->getLine());
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
}

void writeText(std::ostream& out, const String& document, const String& schema, bool raw, int errorCount,
               const std::vector<FoundSection>& found, const std::vector<const char*>& missing)
{
    out << "document: " << document << '\n' << "schema:   " << schema << '\n';
    for (const FoundSection& section : found) {
        out << '\n' << section.section->name << " (line " << section.node->getLine() << ")\n";
        if (raw) {
            // An element without children ends without a line feed; the next heading needs one.
            out << section.xml << (section.xml.empty() || section.xml.back() != '\n' ? "\n" : "");
        } else {
            std::string readable;
            writeReadable(readable, *section.node, 1);
            out << readable;
        }
    }
    out << '\n' << "sections: " << found.size() << " of " << (sizeof kSections / sizeof kSections[0]);
    if (!missing.empty()) {
        out << " (missing:";
        for (const char* name : missing)
            out << ' ' << name;
        out << ')';
    }
    out << '\n' << "errors: " << errorCount << '\n';
}

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
    std::string openFailure;
    if (!documentCanBeOpened(document)) {
        // A directory opens on some systems and fails only at its first read, deep in the
        // XML library; it is told apart here, as the file that cannot be opened that it is.
        openFailure = "the configuration document " + std::string(document.narrow()) + " cannot be opened";
    } else {
        TraceFileOnly traceFileOnly;
        XmlOrvParser parser(document, sink);
        errorCount = parser.getErrorCount();
    }
    const std::vector<Diagnostic>& diagnostics = sink.getDiagnostics();

    // A read that stopped before the XML parser could count anything still reported why; it
    // must not pass for a clean document.
    if (errorCount == 0) {
        for (const Diagnostic& diagnostic : diagnostics)
            errorCount += diagnostic.severity == Diagnostic::SEVERITY_WARNING ? 0 : 1;
    }
    // The parser reads nothing when the schema cannot be opened, so no diagnostic arrives.
    if (openFailure.empty() && errorCount != 0 && diagnostics.empty())
        openFailure = "the configuration schema " + std::string(schema.narrow()) + " cannot be opened";
    int status = errorCount == 0 ? TOOL_EXIT_OK : TOOL_EXIT_DOCUMENT_ERRORS;
    if (!openFailure.empty()) {
        status = TOOL_EXIT_CANNOT_OPEN;
        errorCount = 1; // as the library counts a file that cannot be opened
    }

    std::vector<FoundSection> found;
    std::vector<const char*> missing;
    for (const Section& section : kSections) {
        std::unique_ptr<Node> node(sink.getNode(section.index));
        if (!node) {
            missing.push_back(section.name);
            continue;
        }
        // The written form is shown raw and in JSON only; the readable form is made from the tree.
        std::ostringstream xml;
        if (invocation.has("--raw") || invocation.has("--json"))
            node->write(xml, 0);
        found.push_back({&section, std::move(node), xml.str()});
    }

    if (!openFailure.empty())
        context.err << "orvcfg: " << openFailure << '\n';
    for (const Diagnostic& diagnostic : diagnostics) {
        context.err << "orvcfg: " << document << ':';
        if (diagnostic.line > 0)
            context.err << diagnostic.line << ':';
        if (diagnostic.line > 0 && diagnostic.column > 0)
            context.err << diagnostic.column << ':';
        context.err << ' ' << severityName(diagnostic.severity) << ": " << diagnostic.message << '\n';
    }
    if (invocation.has("--json"))
        writeJson(context.out, document, schema, status, errorCount, openFailure, diagnostics, found, missing);
    else if (openFailure.empty())
        writeText(context.out, document, schema, invocation.has("--raw"), errorCount, found, missing);
    return status;
}
