#ifndef ORV_BENCH_BASELINES_H
#define ORV_BENCH_BASELINES_H

#include <map>
#include <memory>
#include <string>

// The plain programs that the library is measured against: what a developer would write
// without the library, with the same inputs and the same obligations.
namespace orvbench {

// What the counting handler saw; a parse that saw nothing measured nothing.
struct ParseCounts {
    long elements = 0;
    long attributes = 0;
    long characterUnits = 0;
    long errors = 0;
};

// A validating progressive parse with Xerces alone: initialise the library, a SAXParser
// with the settings the configuration parser uses (automatic validation, namespaces,
// schema, full checking, the schema as no-namespace location), parseFirst/parseNext to the
// end with a handler that only counts, delete, terminate. Returns the parser's error count.
ParseCounts bareXercesParse(const std::string& i_Document, const std::string& i_Schema);

// The same parse without its fixed cost: Xerces initialised and the schema compiled once, by
// the constructor; each parse() reads the document with the grammar cached in a parser
// made for that parse. What a parse of a small document costs at the least.
class WarmXercesParser {
public:
    explicit WarmXercesParser(const std::string& i_Schema);
    ~WarmXercesParser();
    WarmXercesParser(const WarmXercesParser&) = delete;
    WarmXercesParser& operator=(const WarmXercesParser&) = delete;

    ParseCounts parse(const std::string& i_Document);

private:
    struct State;
    std::unique_ptr<State> m_State;
};

// XMLPlatformUtils::Initialize followed by Terminate: part of the fixed cost of any parse.
void xercesInitializeTerminate();

using PlainPropertyMap = std::map<std::u16string, std::u16string>;

// Orv.properties read the plain way: fgets into a 260-byte buffer, the header test, "#"
// comments, split at the first "=", trim, UTF-8 to 16-bit strings, insert into a map.
// Returns the number of property lines.
int loadPropertiesPlain(const std::string& i_Path, PlainPropertyMap& o_Map);

// One line of a property file replaced the plain way: copy line by line (fgets, 260 bytes)
// into i_TmpPath, writing "key=value\n" for lines whose trimmed key is i_Key, then remove
// the old file and rename the copy onto it. With i_Sync the copy is flushed to the disk
// (fsync) before the rename, as a rewrite that must survive a crash does. Returns the
// number of lines replaced.
int rewritePropertyPlain(const std::string& i_Path, const std::string& i_TmpPath, const std::string& i_Key,
                         const std::string& i_Value, bool i_Sync = false);

} // namespace orvbench

#endif
