// A minimal scanner host: read a key, change it and set it back, and read its section of
// the XML configuration document. It leaves the installation as it found it.
#include <orv/Node.h>
#include <orv/OrvCfg.h>
#include <orv/ParseNodeSink.h>
#include <orv/XmlOrvParser.h>

#include <iostream>
#include <memory>

int main(int, char** argv)
{
    // The installation is the parent of the directory holding this program; the
    // configuration is $ORV_LOCALDIR/config/ or <installation>/config/.
    OrvCfg::initialize(argv[0]);
    if (OrvCfg::getError() != ORVCFG_OK) {
        std::cerr << "configuration not loaded: " << OrvCfg::resultText(OrvCfg::getError()) << '\n';
        OrvCfg::cleanup();
        return 1;
    }

    String before = OrvCfg::getKey("trace_level");
    std::cout << "trace_level=" << before << '\n';

    String level("MID");
    int result = OrvCfg::setKey("trace_level", level); // 0, or a result code such as 16
    std::cout << "setKey(trace_level, MID) -> " << result << " " << OrvCfg::resultText(result) << '\n';
    String loud("LOUD");
    result = OrvCfg::setKey("trace_level", loud);
    std::cout << "setKey(trace_level, LOUD) -> " << result << " " << OrvCfg::resultText(result) << '\n';
    OrvCfg::setKey("trace_level", before); // set back what was changed

    String document = OrvCfg::getConfigDir();
    document.concat("orvcli.xml");
    ParseNodeSink sink;
    XmlOrvParser parser(document, sink); // validates against bin/orvcli.xsd
    std::cout << "errors: " << parser.getErrorCount() << '\n';
    for (const ParseNodeSink::Diagnostic& diagnostic : sink.getDiagnostics())
        std::cout << "line " << diagnostic.line << ", column " << diagnostic.column << ": " << diagnostic.message
                  << '\n';

    std::unique_ptr<Node> hardware(sink.getNode(1)); // 1: Hardware; the copy is ours
    if (hardware)
        hardware->write(std::cout, 0);

    OrvCfg::cleanup();
    return parser.getErrorCount() == 0 ? 0 : 1;
}
