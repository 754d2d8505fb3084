// A host that keeps node trees in objects of static storage duration and releases one more
// from an exit handler, so that every tree goes while the program exits, in whatever order
// the statics of the host and of the library are destroyed. The tests run it under valgrind
// in the build where the node pool is active: an access to memory the pool has given back,
// or a chunk it never gives back, fails the run.
#include "../TreeTestSupport.h"
#include "DefaultSAXHandler.h"

#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

// Made before the first node, so destroyed after everything made on first use.
orvtest::RecordingSink g_Sink;
std::unique_ptr<Node> g_Copy;
Node* g_FreedAtExit = nullptr;

// Copies and writes once more before the release: the pool still serves during exit.
void releaseAtExit()
{
    std::ostringstream out;
    std::unique_ptr<Node>(g_FreedAtExit->clone())->write(out, 0);
    delete g_FreedAtExit;
}

} // namespace

int main()
{
    // Before the first node: runs after whatever the library made on first use is gone.
    std::atexit(releaseAtExit);
    // <Sections><Hardware a="...">text<Probe/></Hardware>...</Sections>, each Hardware a tree.
    DefaultSAXHandler handler(&g_Sink, 1);
    handler.startBareElementUnits(u"Sections", 8, 1, 1, 1);
    for (int i = 0; i < 2000; ++i) {
        auto* table = new NodeAttributes(1);
        table->addAttribute(u"a", u"a value longer than the inline units", u"1");
        handler.startElement(String(u"Hardware"), table, 2, 1, 2);
        handler.characters(String(u"a text longer than the inline units"), 2, 5, 3);
        handler.startBareElementUnits(u"Probe", 5, 3, 1, 4);
        handler.endElementUnits(u"Probe", 5);
        handler.endElementUnits(u"Hardware", 8);
    }
    handler.endElementUnits(u"Sections", 8);
    g_Copy.reset(g_Sink.trees.front()->clone());
    g_FreedAtExit = g_Sink.trees.back()->clone();
    return g_Sink.trees.size() == 2000 ? 0 : 1;
}
