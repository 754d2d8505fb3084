#ifndef ORV_BENCH_BENCHDOCUMENTS_H
#define ORV_BENCH_BENCHDOCUMENTS_H

#include <cstddef>
#include <string>
#include <vector>

namespace orvbench {

// How the text of the signature entries looks. Typical text has a few markup characters
// and some non-ASCII letters; escape-heavy text is mostly characters that the writer has
// to turn into references, the worst case of the output path.
enum class TextStyle {
    TYPICAL,
    ESCAPE_HEAVY,
};

// A configuration document valid against bench/schema/orvbench.xsd: the seven sections
// two levels below the document element, with signature entries in UseSignatures and
// NetSignatures until the document reaches at least i_TargetBytes. A target of 0 gives
// the smallest valid document, whose parse cost is the fixed cost of a parse. The content
// is a pure function of the arguments, so runs compare like with like.
std::string makeConfigDocument(std::size_t i_TargetBytes, TextStyle i_Style);

// Orv.properties with i_Lines lines: the header, comments, the keys that setKey knows and
// filler keys in the shapes real files have (blanks around "=", empty values, paths).
// o_Keys receives every key that the file defines, in file order.
std::string makePropertiesFile(int i_Lines, std::vector<std::string>* o_Keys);

// OrvTrace.properties as an installation ships it.
std::string makeTracePropertiesFile();

void writeWholeFile(const std::string& i_Path, const std::string& i_Bytes);
void makeDirectories(const std::string& i_Path);

} // namespace orvbench

#endif
