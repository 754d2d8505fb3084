#ifndef ORV_TESTS_TOOLS_JSONREADER_H
#define ORV_TESTS_TOOLS_JSONREADER_H

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvtest {

// Just enough of a JSON reader to read orvcfg's --json output back in the tests: strict
// syntax (a trailing comma or a bare control character is an error), \u escapes decoded
// to UTF-8, numbers as long.
struct Json {
    enum Kind { Null, Bool, Number, Text, Array, Object };
    Kind kind = Null;
    bool flag = false;
    long number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& name) const;
    const Json& operator[](std::size_t index) const { return items.at(index); }
    bool has(const std::string& name) const { return members.count(name) != 0; }
};

// Parses a whole document (trailing white space allowed); throws std::runtime_error with
// the offset on any syntax error.
Json parseJson(const std::string& document);

} // namespace orvtest

#endif
