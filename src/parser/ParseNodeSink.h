#ifndef ORV_PARSENODESINK_H
#define ORV_PARSENODESINK_H

#include "NodeSink.h"
#include "OrvExport.h"
#include "String.h"

#include <memory>
#include <vector>

class Node;

// Collects the seven sections of the XML configuration from the trees that a parse
// delivers, and hands out copies of them by index:
//
//   1 "Hardware"  2 "XSE"  3 "FSScan"  4 "Vpd"  7 "UseSignatures"  8 "NetSignatures"
//   9 "NetConfig"                                  (5 and 6 belong to no section)
//
// Every node of every delivered tree is examined, at any depth; a later node of a section's
// name replaces the earlier one. Warnings and errors of the parse are traced, and kept as
// data for a host that shows them itself (getDiagnostics).
//
// Ownership: the sink takes every delivered tree. A tree is kept exactly as long as a
// section of some sink refers into it: a kept section holds a share of its whole tree, so a
// tree without a section is released as soon as it has been examined, a tree whose sections
// were all replaced is released at that moment, and copies of a sink (copy construction,
// assignment) share the trees with the original. The last sink that refers to a tree
// releases it, once.
class ORVCFG_API ParseNodeSink : public NodeSink {
public:
    // One warning or error of a parse, as the XML parser reported it.
    struct Diagnostic {
        // The trace levels of the statements the sink writes for them.
        enum Severity : int {
            SEVERITY_CRITICAL = LEVEL_CRITICAL,
            SEVERITY_ERROR = LEVEL_ERROR,
            SEVERITY_WARNING = LEVEL_WARNING
        };
        Severity severity;
        int line;   // 0 when the message concerns no line of the document
        int column; // from 1; 0 when the message came without one (no line, a limit)
        String message;
    };

    ParseNodeSink();
    // The copy refers to the same sections; no tree is copied.
    ParseNodeSink(const ParseNodeSink& other);
    ParseNodeSink& operator=(const ParseNodeSink& other);
    ~ParseNodeSink() override;

    // Takes ownership of the tree and keeps the sections found in it; always 0.
    int onNodeTree(Node* tree) override;
    // Trace the message with its line; 0 for a warning, -1009 for the two kinds of error.
    int onWarning(const String& message, int line) override;
    int onError(const String& message, int line) override;
    int onCriticalError(const String& message, int line) override;
    // Passes the message on as NodeSink does, then gives the diagnostic kept for it its column.
    int onMessage(Level level, const String& message, int line, int column) override;

    // A new deep copy of the section with the index above, owned by the caller; null for an
    // index of no section or a section that never occurred.
    Node* getNode(int index);

    // The warnings and errors received, in the order of arrival: the first MAX_DIAGNOSTICS of
    // them, so that a document full of errors cannot make the list grow without bound (the
    // parser's error count still counts them all, and every one is traced). Copies of a sink
    // carry the diagnostics received before the copy.
    const std::vector<Diagnostic>& getDiagnostics() const;
    static constexpr int MAX_DIAGNOSTICS = 1000;

private:
    enum { SECTION_COUNT = 7 };

    void keepIfSection(Node* node);
    void keep(Diagnostic::Severity severity, const String& message, int line);

    // In the order Hardware, XSE, FSScan, Vpd, UseSignatures, NetSignatures, NetConfig.
    // Each points at its section node and holds a share of the tree around it.
    std::shared_ptr<Node> m_Sections[SECTION_COUNT];
    // The tree being examined by onNodeTree, while its nodes are visited.
    std::shared_ptr<Node> m_Delivery;
    std::vector<Diagnostic> m_Diagnostics;
};

#endif
