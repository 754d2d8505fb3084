// Attribute tables and string vectors at the sizes real elements have (1 to 32), and a few
// hundred to show how the cost grows, each against a vector of strings searched linearly.
#include "BenchRegistry.h"

#include "NodeAttributes.h"
#include "StringVector.h"

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace orvbench {
namespace {

struct AttributeSet {
    std::vector<std::u16string> names;
    std::vector<std::u16string> values;
    std::vector<std::u16string> sequences;
    std::vector<String> nameStrings;
};

std::u16string widen(const std::string& i_Text)
{
    return std::u16string(i_Text.begin(), i_Text.end());
}

// Names and values of the lengths met in configuration documents.
AttributeSet makeAttributes(int i_Count)
{
    static const char* const STEMS[] = {"name", "size", "checksum", "vendor", "product", "version", "platform", "id"};
    AttributeSet set;
    for (int i = 0; i < i_Count; ++i) {
        const std::string name = std::string(STEMS[i % 8]) + (i < 8 ? "" : std::to_string(i));
        set.names.push_back(widen(name));
        set.values.push_back(widen("value of " + name + " #" + std::to_string(i * 7919)));
        set.sequences.push_back(widen(std::to_string(100 + i)));
        set.nameStrings.emplace_back(name.c_str());
    }
    return set;
}

// Fill a table as the parser adapter does, then look every attribute up by name.
void attributesLibrary(benchmark::State& io_State, int i_Count)
{
    const AttributeSet set = makeAttributes(i_Count);
    String value;
    for (auto _ : io_State) {
        NodeAttributes table(1);
        for (int i = 0; i < i_Count; ++i) {
            table.addAttribute(set.names[i].c_str(), set.values[i].c_str(), set.sequences[i].c_str());
        }
        for (int i = 0; i < i_Count; ++i) {
            table.getValue(set.nameStrings[i], value);
        }
        benchmark::DoNotOptimize(value.getUnits());
    }
    io_State.SetItemsProcessed(io_State.iterations() * i_Count);
}

void attributesPlain(benchmark::State& io_State, int i_Count)
{
    const AttributeSet set = makeAttributes(i_Count);
    std::u16string value;
    for (auto _ : io_State) {
        std::vector<std::pair<std::u16string, std::u16string>> table;
        std::vector<std::u16string> sequences;
        for (int i = 0; i < i_Count; ++i) {
            bool present = false;
            for (const auto& entry : table) {
                present = present || entry.first == set.names[i];
            }
            if (!present) {
                table.emplace_back(set.names[i], set.values[i]);
                sequences.push_back(set.sequences[i]);
            }
        }
        for (int i = 0; i < i_Count; ++i) {
            for (const auto& entry : table) {
                if (entry.first == set.names[i]) {
                    value = entry.second;
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(value.data());
    }
    io_State.SetItemsProcessed(io_State.iterations() * i_Count);
}

void vectorLibrary(benchmark::State& io_State, int i_Count)
{
    const AttributeSet set = makeAttributes(i_Count);
    for (auto _ : io_State) {
        StringVector vector(1);
        for (int i = 0; i < i_Count; ++i) {
            vector.insert(vector.getCount(), set.names[i].c_str());
        }
        int index = 0;
        for (int i = 0; i < i_Count; ++i) {
            vector.find(set.nameStrings[i], index);
        }
        benchmark::DoNotOptimize(index);
    }
    io_State.SetItemsProcessed(io_State.iterations() * i_Count);
}

void vectorPlain(benchmark::State& io_State, int i_Count)
{
    const AttributeSet set = makeAttributes(i_Count);
    for (auto _ : io_State) {
        std::vector<std::u16string> vector;
        for (int i = 0; i < i_Count; ++i) {
            vector.push_back(set.names[i]);
        }
        int index = 0;
        for (int i = 0; i < i_Count; ++i) {
            for (int j = 0; j < static_cast<int>(vector.size()); ++j) {
                if (vector[j] == set.names[i]) {
                    index = j;
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(index);
    }
    io_State.SetItemsProcessed(io_State.iterations() * i_Count);
}

} // namespace

void registerAttributesBenchmarks()
{
    for (int count : {1, 2, 4, 8, 16, 32, 128, 512}) {
        const std::string n = std::to_string(count);
        benchmark::RegisterBenchmark(("attributes/add_find/" + n).c_str(),
                                     [count](benchmark::State& s) { attributesLibrary(s, count); });
        benchmark::RegisterBenchmark(("attributes/add_find_plain/" + n).c_str(),
                                     [count](benchmark::State& s) { attributesPlain(s, count); });
        benchmark::RegisterBenchmark(("stringvector/insert_find/" + n).c_str(),
                                     [count](benchmark::State& s) { vectorLibrary(s, count); });
        benchmark::RegisterBenchmark(("stringvector/insert_find_plain/" + n).c_str(),
                                     [count](benchmark::State& s) { vectorPlain(s, count); });
    }
}

} // namespace orvbench
