// A host that keeps node trees in objects of static storage duration and releases one more
// from an exit handler, so that every tree goes while the program exits, in whatever order
// the statics of the host and of the library are destroyed. The tests run it under valgrind
// in the build where the node pool is active: an access to memory the pool has given back,
// or a chunk it never gives back, fails the run.
#include "DefaultSAXHandler.h"
#include "Node.h"
#include "NodeAttributes.h"
#include "NodeSink.h"
#include "String.h"

#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace {

// Keeps every tree it receives, as a section sink does.
struct KeepingSink : NodeSink {
    int onNodeTree(Node* i_Tree) override
    {
        trees.emplace_back(i_Tree);
        return 0;
    }
    int onWarning(const String&, int) override { return 0; }
    int onError(const String&, int) override { return 0; }
    int onCriticalError(const String&, int) override { return 0; }
    std::vector<std::unique_ptr<Node>> trees;
};

// Made before the first node: destroyed after everything made later.
KeepingSink g_Sink;
std::unique_ptr<Node> g_Copy;
Node* g_FreedAtExit = nullptr;

void releaseAtExit()
{
    // Copies and writes once more before the release: the pool still serves during exit.
    std::unique_ptr<Node> copy(g_FreedAtExit->clone());
    std::ostringstream out;
    copy->write(out, 0);
    delete g_FreedAtExit;
}

// <Sections><Hardware a="1">text<Probe b="2"/></Hardware>...</Sections>, the sections
// delivered one by one.
void parseSections(int i_Count)
{
    DefaultSAXHandler handler(&g_Sink, 1);
    const std::u16string sections = u"Sections";
    handler.startBareElementUnits(sections.data(), sections.size(), 1, 1, 1);
    for (int i = 0; i < i_Count; ++i) {
        auto* table = new NodeAttributes(1);
        table->addAttribute(u"a", u"a value longer than the inline units", u"1");
        handler.startElement(String(u"Hardware"), table, 2, 1, 2);
        handler.characters(String(u"a text longer than the inline units"), 2, 5, 3);
        handler.startBareElementUnits(u"Probe", 5, 3, 1, 4);
        handler.endElementUnits(u"Probe", 5);
        handler.endElementUnits(u"Hardware", 8);
    }
    handler.endElementUnits(sections.data(), sections.size());
    handler.endDocument();
}

} // namespace

int main()
{
    // Registered before the first node exists, so it runs after whatever the library set up
    // on first use has been torn down.
    std::atexit(releaseAtExit);
    parseSections(2000);
    g_Copy.reset(g_Sink.trees.front()->clone());
    g_FreedAtExit = g_Sink.trees.back()->clone();
    return g_Sink.trees.size() == 2000 ? 0 : 1;
}
