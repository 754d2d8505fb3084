#include "ParseNodeSink.h"

#include "Node.h"
#include "Trace.h"
#include "Tracer.h"
#include "XmlProxyResult.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

enum SectionIndex : int {
    INDEX_HARDWARE = 1,
    INDEX_VPD = 4,
    INDEX_USE_SIGNATURES = 7,
    INDEX_NET_CONFIG = 9,
};

// The section names, in the order of the sink's fields.
constexpr const char16_t* kSectionNameUnits[] = {u"Hardware",      u"XSE",           u"FSScan",   u"Vpd",
                                                  u"UseSignatures", u"NetSignatures", u"NetConfig"};

const String* sectionNames()
{
    static const String names[] = {String(kSectionNameUnits[0]), String(kSectionNameUnits[1]),
                                   String(kSectionNameUnits[2]), String(kSectionNameUnits[3]),
                                   String(kSectionNameUnits[4]), String(kSectionNameUnits[5]),
                                   String(kSectionNameUnits[6])};
    return names;
}

// One bit for each length of a section name. Every node of a delivered tree is looked at,
// and nearly all of them (texts above all) have a name of another length.
constexpr std::uint64_t sectionNameLengths()
{
    std::uint64_t lengths = 0;
    for (const char16_t* name : kSectionNameUnits)
        lengths |= std::uint64_t(1) << std::char_traits<char16_t>::length(name);
    return lengths;
}

// The field of a getNode index, or -1 for an index of no section. Indices 5 and 6 were
// never given to a section; the last three sections follow after them.
int fieldOfIndex(int index)
{
    if (index >= INDEX_HARDWARE && index <= INDEX_VPD)
        return index - INDEX_HARDWARE;
    if (index >= INDEX_USE_SIGNATURES && index <= INDEX_NET_CONFIG)
        return index - INDEX_USE_SIGNATURES + (INDEX_VPD - INDEX_HARDWARE + 1);
    return -1;
}

void traceMessage(const char* label, int level, const String& message, int line)
{
    Trace trace(Tracer::getInstance(Tracer::COMPONENT_COMMON), label);
    trace.level = level;
    trace << "Message is " << message.getBuffer() << " at line " << line << Trace::endl;
}

// Ends the examination of a delivered tree however onNodeTree leaves: the sink's share of
// the tree is dropped, and the tree goes unless a section keeps it.
class DeliveryScope {
public:
    explicit DeliveryScope(std::shared_ptr<Node>& delivery) : m_Delivery(delivery) {}
    ~DeliveryScope() { m_Delivery.reset(); }
    DeliveryScope(const DeliveryScope&) = delete;
    DeliveryScope& operator=(const DeliveryScope&) = delete;

private:
    std::shared_ptr<Node>& m_Delivery;
};

} // namespace

ParseNodeSink::ParseNodeSink() = default;

ParseNodeSink::ParseNodeSink(const ParseNodeSink& other) : NodeSink(other)
{
    for (int field = 0; field < SECTION_COUNT; ++field)
        m_Sections[field] = other.m_Sections[field];
    m_Diagnostics = other.m_Diagnostics;
}

ParseNodeSink& ParseNodeSink::operator=(const ParseNodeSink& other)
{
    NodeSink::operator=(other);
    for (int field = 0; field < SECTION_COUNT; ++field)
        m_Sections[field] = other.m_Sections[field];
    m_Diagnostics = other.m_Diagnostics;
    return *this;
}

ParseNodeSink::~ParseNodeSink()
{
    // Sections go in field order; a tree goes with the last section that refers into it.
    for (int field = 0; field < SECTION_COUNT; ++field)
        m_Sections[field].reset();
}

int ParseNodeSink::onNodeTree(Node* tree)
{
    if (tree == nullptr)
        return 0;

    // Called again for a node inside the tree being examined: look at that node alone, the
    // examination of the delivered tree visits its descendants.
    if (m_Delivery) {
        keepIfSection(tree);
        return 0;
    }

    m_Delivery.reset(tree);
    DeliveryScope scope(m_Delivery);
    keepIfSection(tree);

    // Pre-order over every node below the root, each passed to onNodeTree through the
    // sink's own interface. The walk keeps its own stack, so a deeply nested document
    // cannot exhaust the call stack.
    std::vector<Node*> resume; // the next siblings of the ancestors still to visit
    Node* node = tree->getFirstChild();
    while (node != nullptr) {
        onNodeTree(node);
        Node* next = node->getNextSibling();
        if (Node* child = node->getFirstChild()) {
            if (next != nullptr)
                resume.push_back(next);
            node = child;
        } else if (next != nullptr) {
            node = next;
        } else if (!resume.empty()) {
            node = resume.back();
            resume.pop_back();
        } else {
            node = nullptr;
        }
    }
    return 0;
}

void ParseNodeSink::keepIfSection(Node* node)
{
    // The node's units are compared in place: asking every node for its name as a String
    // would make one for each.
    const char16_t* name = node->getNameUnits();
    const int length = node->getNameLength();
    constexpr std::uint64_t kLengths = sectionNameLengths();
    if (length >= 64 || (kLengths >> length & 1) == 0)
        return;
    const String* names = sectionNames();
    const char16_t first = name[0];
    for (int field = 0; field < SECTION_COUNT; ++field) {
        // Most nodes are no section: a name of another length or first unit cannot compare
        // equal, so only a likely match pays for the full comparison.
        if (names[field].length() != length || names[field].getUnits()[0] != first)
            continue;
        if (std::char_traits<char16_t>::compare(name, names[field].getUnits(), static_cast<std::size_t>(length)) == 0) {
            // Points at the section, shares the ownership of the whole delivered tree.
            m_Sections[field] = std::shared_ptr<Node>(m_Delivery, node);
            return;
        }
    }
}

void ParseNodeSink::keep(Diagnostic::Severity severity, const String& message, int line)
{
    if (m_Diagnostics.size() < static_cast<std::size_t>(MAX_DIAGNOSTICS))
        m_Diagnostics.push_back({severity, line, 0, message});
}

int ParseNodeSink::onWarning(const String& message, int line)
{
    keep(Diagnostic::SEVERITY_WARNING, message, line);
    traceMessage("ParseNodeSink::onWarning", Diagnostic::SEVERITY_WARNING, message, line);
    return XMLPROXY_SUCCESS;
}

int ParseNodeSink::onError(const String& message, int line)
{
    keep(Diagnostic::SEVERITY_ERROR, message, line);
    traceMessage("ParseNodeSink::onError", Diagnostic::SEVERITY_ERROR, message, line);
    return XMLPROXY_NULL_STRING;
}

int ParseNodeSink::onCriticalError(const String& message, int line)
{
    keep(Diagnostic::SEVERITY_CRITICAL, message, line);
    traceMessage("ParseNodeSink::onCriticalError", Diagnostic::SEVERITY_CRITICAL, message, line);
    return XMLPROXY_NULL_STRING;
}

int ParseNodeSink::onMessage(Level level, const String& message, int line, int column)
{
    // The column goes to the diagnostic that the level's own operation keeps, so that a host's
    // override of onWarning, onError or onCriticalError still hears the message, and the
    // statement traced for it is the one those operations write.
    const std::size_t kept = m_Diagnostics.size();
    const int result = NodeSink::onMessage(level, message, line, column);
    if (m_Diagnostics.size() == kept + 1)
        m_Diagnostics.back().column = column;
    return result;
}

Node* ParseNodeSink::getNode(int index)
{
    int field = fieldOfIndex(index);
    if (field < 0 || !m_Sections[field])
        return nullptr;
    return m_Sections[field]->clone();
}

const std::vector<ParseNodeSink::Diagnostic>& ParseNodeSink::getDiagnostics() const
{
    return m_Diagnostics;
}
