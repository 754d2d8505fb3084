#include "JsonReader.h"

#include <stdexcept>

namespace orvtest {

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : m_Text(text) {}

    Json document()
    {
        Json value = parseValue();
        skipSpace();
        if (m_Pos != m_Text.size())
            fail("trailing characters");
        return value;
    }

private:
    [[noreturn]] void fail(const std::string& why) const
    {
        throw std::runtime_error("JSON: " + why + " at offset " + std::to_string(m_Pos));
    }

    void skipSpace()
    {
        while (m_Pos < m_Text.size() && (m_Text[m_Pos] == ' ' || m_Text[m_Pos] == '\n' || m_Text[m_Pos] == '\t'
                                         || m_Text[m_Pos] == '\r'))
            ++m_Pos;
    }

    char peek()
    {
        skipSpace();
        if (m_Pos >= m_Text.size())
            fail("unexpected end");
        return m_Text[m_Pos];
    }

    void expect(char c)
    {
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++m_Pos;
    }

    bool literal(const char* word)
    {
        std::string w(word);
        if (m_Text.compare(m_Pos, w.size(), w) != 0)
            return false;
        m_Pos += w.size();
        return true;
    }

    Json parseValue()
    {
        Json value;
        char c = peek();
        if (c == '{') {
            value.kind = Json::Object;
            ++m_Pos;
            if (peek() == '}') {
                ++m_Pos;
                return value;
            }
            for (;;) {
                if (peek() != '"')
                    fail("expected a member name");
                std::string name = parseString();
                expect(':');
                value.members[name] = parseValue();
                if (peek() == ',') {
                    ++m_Pos;
                    continue;
                }
                expect('}');
                return value;
            }
        }
        if (c == '[') {
            value.kind = Json::Array;
            ++m_Pos;
            if (peek() == ']') {
                ++m_Pos;
                return value;
            }
            for (;;) {
                value.items.push_back(parseValue());
                if (peek() == ',') {
                    ++m_Pos;
                    continue;
                }
                expect(']');
                return value;
            }
        }
        if (c == '"') {
            value.kind = Json::Text;
            value.text = parseString();
            return value;
        }
        if (literal("true")) {
            value.kind = Json::Bool;
            value.flag = true;
            return value;
        }
        if (literal("false")) {
            value.kind = Json::Bool;
            return value;
        }
        if (literal("null"))
            return value;
        std::size_t start = m_Pos;
        if (m_Text[m_Pos] == '-')
            ++m_Pos;
        while (m_Pos < m_Text.size() && m_Text[m_Pos] >= '0' && m_Text[m_Pos] <= '9')
            ++m_Pos;
        if (m_Pos == start || (m_Pos == start + 1 && m_Text[start] == '-'))
            fail("unexpected character");
        value.kind = Json::Number;
        value.number = std::stol(m_Text.substr(start, m_Pos - start));
        return value;
    }

    static void appendUtf8(std::string& out, unsigned long cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    unsigned long hex4()
    {
        if (m_Pos + 4 > m_Text.size())
            fail("short \\u escape");
        unsigned long v = std::stoul(m_Text.substr(m_Pos, 4), nullptr, 16);
        m_Pos += 4;
        return v;
    }

    std::string parseString()
    {
        expect('"');
        std::string out;
        for (;;) {
            if (m_Pos >= m_Text.size())
                fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(m_Text[m_Pos++]);
            if (c == '"')
                return out;
            if (c < 0x20)
                fail("control character in string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (m_Pos >= m_Text.size())
                fail("unterminated escape");
            char e = m_Text[m_Pos++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned long cp = hex4();
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (m_Text.compare(m_Pos, 2, "\\u") != 0)
                        fail("lone high surrogate");
                    m_Pos += 2;
                    unsigned long low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        fail("bad low surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    fail("lone low surrogate");
                }
                appendUtf8(out, cp);
                break;
            }
            default: fail("bad escape");
            }
        }
    }

    const std::string& m_Text;
    std::size_t m_Pos = 0;
};

} // namespace

const Json& Json::operator[](const std::string& name) const
{
    auto found = members.find(name);
    if (found == members.end())
        throw std::runtime_error("JSON: no member " + name);
    return found->second;
}

Json parseJson(const std::string& document) { return Reader(document).document(); }

} // namespace orvtest
