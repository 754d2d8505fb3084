// Operation sequences on StringVector and NodeAttributes, run side by side with a plain
// reference model. After every operation the result code, the contents and the block
// geometry (used units, whole blocks, fewer than a block free after growth or removal)
// must agree with the model.
#include "FuzzSupport.h"
#include "NodeAttributes.h"
#include "StringVector.h"
#include "XmlProxyResult.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_Data(data), m_Size(size) {}
    bool empty() const { return m_Pos >= m_Size; }
    unsigned byte() { return m_Pos < m_Size ? m_Data[m_Pos++] : 0; }
    // A short text; high byte values stand for units beyond ASCII, surrogates included.
    std::u16string text()
    {
        std::u16string out;
        unsigned length = byte() % 9;
        for (unsigned i = 0; i < length; ++i) {
            unsigned b = byte();
            if (b == 0)
                b = 'a';
            char16_t unit = b < 0xE0 ? static_cast<char16_t>(b) : static_cast<char16_t>(0xD7F0 + b * 4);
            out += unit;
        }
        return out;
    }
    // An index from -1 to limit + 1, so that both ends get overstepped now and then.
    int index(int limit) { return static_cast<int>(byte() % static_cast<unsigned>(limit + 3)) - 1; }

private:
    const std::uint8_t* m_Data;
    std::size_t m_Size;
    std::size_t m_Pos = 0;
};

String toString(const std::u16string& text) { return String(text.c_str(), text.size()); }

std::string describe(const char* op, int got, int wanted)
{
    return std::string(op) + ": " + std::to_string(got) + " instead of " + std::to_string(wanted);
}

void checkGeometry(const StringVector& vector, const std::vector<std::u16string>& model, bool tight)
{
    int used = 0;
    for (const std::u16string& s : model)
        used += static_cast<int>(s.size()) + 1;
    orvfuzz::check(vector.getCount() == static_cast<int>(model.size()), "count");
    orvfuzz::check(vector.getCapacity() == vector.getBlockCount() * vector.getBlockSize(), "capacity");
    orvfuzz::check(vector.getFree() >= 0 && vector.getCapacity() - vector.getFree() == used, "used units",
                   std::to_string(vector.getCapacity()) + " - " + std::to_string(vector.getFree()) + " != " +
                       std::to_string(used));
    if (tight)
        orvfuzz::check(vector.getFree() < vector.getBlockSize(), "a whole block stands free");
}

void checkContents(const StringVector& vector, const std::vector<std::u16string>& model)
{
    for (std::size_t i = 0; i < model.size(); ++i) {
        String got;
        orvfuzz::check(vector.get(static_cast<int>(i), got) == XMLPROXY_SUCCESS, "get in range");
        orvfuzz::check(got.units() == model[i], "stored string", std::to_string(i));
    }
}

void runVectorOp(Input& in, StringVector& vector, std::vector<std::u16string>& model)
{
    const int count = static_cast<int>(model.size());
    switch (in.byte() % 7) {
    case 0: { // insert
        int index = in.index(count);
        std::u16string text = in.text();
        int capacityBefore = vector.getCapacity();
        int result = vector.insert(index, text.c_str());
        int wanted = index < 0 || index > count ? XMLPROXY_INDEX_OUT_OF_RANGE : XMLPROXY_SUCCESS;
        orvfuzz::check(result == wanted, "insert", describe("insert", result, wanted));
        if (result == XMLPROXY_SUCCESS)
            model.insert(model.begin() + index, text);
        checkGeometry(vector, model, vector.getCapacity() != capacityBefore);
        break;
    }
    case 1: { // insert of a null text
        int result = vector.insert(in.index(count), static_cast<const unsigned short*>(nullptr));
        orvfuzz::check(result == XMLPROXY_NULL_STRING, describe("insert null", result, XMLPROXY_NULL_STRING).c_str());
        checkGeometry(vector, model, false);
        break;
    }
    case 2: { // remove
        int index = in.index(count);
        int result = vector.remove(index);
        bool inRange = index >= 0 && index < count;
        int wanted = inRange ? XMLPROXY_SUCCESS : XMLPROXY_INDEX_OUT_OF_RANGE;
        orvfuzz::check(result == wanted, "remove", describe("remove", result, wanted));
        if (inRange)
            model.erase(model.begin() + index);
        checkGeometry(vector, model, inRange);
        break;
    }
    case 3: { // get
        int index = in.index(count);
        String got("untouched");
        int result = vector.get(index, got);
        if (index >= 0 && index < count) {
            orvfuzz::check(result == XMLPROXY_SUCCESS && got.units() == model[static_cast<std::size_t>(index)], "get");
        } else {
            orvfuzz::check(result == XMLPROXY_INDEX_OUT_OF_RANGE, "get out of range");
            orvfuzz::check(got == String("untouched"), "get out of range changed its output");
        }
        break;
    }
    case 4: { // find
        std::u16string key = in.text();
        int index = -7;
        int result = vector.find(toString(key), index);
        int wanted = -1;
        for (int i = 0; i < count && wanted < 0; ++i)
            if (model[static_cast<std::size_t>(i)] == key)
                wanted = i;
        if (wanted < 0)
            orvfuzz::check(result == XMLPROXY_NOT_FOUND, "find absent", describe("find", result, XMLPROXY_NOT_FOUND));
        else
            orvfuzz::check(result == XMLPROXY_SUCCESS && index == wanted, "find", describe("find index", index, wanted));
        break;
    }
    case 5: { // reserve
        int units = static_cast<int>(in.byte() % 40);
        int freeBefore = vector.getFree();
        orvfuzz::check(vector.reserve(units) == XMLPROXY_SUCCESS, "reserve");
        orvfuzz::check(vector.getFree() >= units, "reserve left too little room");
        if (freeBefore < units)
            orvfuzz::check(vector.getFree() - units < vector.getBlockSize(), "reserve grew by more blocks than needed");
        checkGeometry(vector, model, false);
        break;
    }
    default: // clear
        orvfuzz::check(vector.clear() == XMLPROXY_SUCCESS, "clear");
        model.clear();
        orvfuzz::check(vector.getBlockCount() == 0 && vector.getFree() == 0, "clear kept a buffer");
        checkGeometry(vector, model, true);
        break;
    }
}

struct Attribute {
    std::u16string name, value, sequence;
};

// The twin gets every attribute with its sequence text stored: the parser's numbered
// attributes must read, blocks included, as if their texts had been stored one by one.
void checkSameBlocks(const NodeAttributes& table, const NodeAttributes& twin)
{
    const StringVector* ours[] = {&table.getNames(), &table.getValues(), &table.getSequences()};
    const StringVector* theirs[] = {&twin.getNames(), &twin.getValues(), &twin.getSequences()};
    for (int i = 0; i < 3; ++i)
        orvfuzz::check(ours[i]->getCapacity() == theirs[i]->getCapacity() && ours[i]->getFree() == theirs[i]->getFree(),
                       "numbered table blocks differ from stored texts");
}

void checkTable(const NodeAttributes& table, const std::vector<Attribute>& model, bool copied)
{
    orvfuzz::check(table.getCount() == static_cast<int>(model.size()), "attribute count");
    orvfuzz::check(table.getValues().getCount() == table.getCount() &&
                       table.getSequences().getCount() == table.getCount(),
                   "attribute vectors out of step");
    for (std::size_t i = 0; i < model.size(); ++i) {
        String name, value, sequence;
        orvfuzz::check(table.getAttribute(static_cast<int>(i), name, value) == XMLPROXY_SUCCESS, "getAttribute");
        orvfuzz::check(table.getSequence(static_cast<int>(i), sequence) == XMLPROXY_SUCCESS, "getSequence");
        orvfuzz::check(name.units() == model[i].name && value.units() == model[i].value, "attribute");
        orvfuzz::check(sequence.units() == (copied ? u"0" : model[i].sequence), "attribute sequence");
    }
}

void runTableOp(Input& in, NodeAttributes& table, NodeAttributes& twin, std::vector<Attribute>& model, int& lastNumber)
{
    const int count = static_cast<int>(model.size());
    switch (in.byte() % 4) {
    case 0: {
        Attribute a{in.text(), in.text(), in.text()};
        int result = table.addAttribute(toString(a.name), toString(a.value), toString(a.sequence));
        twin.addAttribute(toString(a.name), toString(a.value), toString(a.sequence));
        bool present = false;
        for (const Attribute& m : model)
            present = present || m.name == a.name;
        int wanted = present ? XMLPROXY_NAME_PRESENT : XMLPROXY_SUCCESS;
        orvfuzz::check(result == wanted, "addAttribute", describe("addAttribute", result, wanted));
        if (!present)
            model.push_back(a);
        break;
    }
    case 1: {
        int index = in.index(count);
        String name, value;
        int result = table.getAttribute(index, name, value);
        int wanted = index >= 0 && index < count ? XMLPROXY_SUCCESS : XMLPROXY_INDEX_OUT_OF_RANGE;
        orvfuzz::check(result == wanted, "getAttribute", describe("getAttribute", result, wanted));
        break;
    }
    case 2: {
        // As the parser adds them: numbered one after the other, now and then from elsewhere.
        // Nothing is read before the next operation, so runs of them stay unstored.
        const std::u16string name = in.text();
        const std::u16string value = in.text();
        lastNumber = in.byte() % 8 == 0 ? static_cast<int>(in.byte()) * 1000 : lastNumber + 1;
        const std::u16string text = String::valueOf(lastNumber).units();
        int result = table.addNumberedAttribute(name.data(), name.size(), value.data(), value.size(), lastNumber);
        twin.addAttribute(toString(name), toString(value), toString(text));
        bool present = false;
        for (const Attribute& m : model)
            present = present || m.name == name;
        int wanted = present ? XMLPROXY_NAME_PRESENT : XMLPROXY_SUCCESS;
        orvfuzz::check(result == wanted, "addNumberedAttribute", describe("addNumberedAttribute", result, wanted));
        if (!present)
            model.push_back(Attribute{name, value, text});
        return;
    }
    default: {
        std::unique_ptr<NodeAttributes> copy(table.copy());
        orvfuzz::check(copy != nullptr && copy->getBlockSize() == table.getBlockSize(), "copy");
        checkTable(*copy, model, true);
        break;
    }
    }
    checkTable(table, model, false);
    checkSameBlocks(table, twin);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    const int blockSize = 1 + static_cast<int>(in.byte() % 16);
    StringVector vector(blockSize);
    NodeAttributes table(blockSize);
    NodeAttributes twin(blockSize);
    int lastNumber = 0;
    std::vector<std::u16string> model;
    std::vector<Attribute> attributes;
    while (!in.empty()) {
        if (in.byte() % 4 == 3)
            runTableOp(in, table, twin, attributes, lastNumber);
        else
            runVectorOp(in, vector, model);
    }
    checkContents(vector, model);
    checkTable(table, attributes, false);
    checkSameBlocks(table, twin);
    return 0;
}
