// SPDX-License-Identifier: BSD-3-Clause
// Reading a label of 1 MiB, of every shape that once made a reader slow or
// crash: the whole Layout from Label lookup of a file (read, parse, lay out).
// Each must take well under 0.2 s; a label that is cut at the read limit or
// refused still counts, since the user waits for it all the same.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "label/LabelFinder.h"

namespace {

namespace fs = std::filesystem;
using namespace skeldra;

constexpr std::size_t mebibyte = std::size_t{1} << 20;

// `unit` repeated between `head` and `tail` to fill one MiB.
std::string filled(const std::string& head, const std::string& unit, const std::string& tail)
{
    std::string text = head;
    while (text.size() + unit.size() + tail.size() <= mebibyte) text += unit;
    return text + tail;
}

std::string nestedObjects(int depth)
{
    std::string object;
    for (int i = 0; i < depth; ++i) object += "OBJECT = X\n";
    for (int i = 0; i < depth; ++i) object += "END_OBJECT = X\n";
    return object;
}

std::string nestedElements(int depth)
{
    std::string element;
    for (int i = 0; i < depth; ++i) element += "<a>";
    for (int i = 0; i < depth; ++i) element += "</a>";
    return element;
}

struct Shape {
    const char* name;
    const char* file;  // the extension decides how a detached label is looked for
    std::function<std::string()> text;
};

const std::string pds3Head = "PDS_VERSION_ID = PDS3\n";
const std::string image =
    "OBJECT = IMAGE\nLINES = 2\nLINE_SAMPLES = 2\nSAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n";

const std::vector<Shape>& shapes()
{
    static const std::vector<Shape> table = {
        {"Pds3Statements", "s.lbl", [] { return filled(pds3Head, "A=1\n", image); }},
        {"Pds3ObjectPairs", "o.lbl", [] { return filled(pds3Head, "OBJECT = X\nEND_OBJECT = X\n", image); }},
        {"Pds3ObjectsNestedToTheLimit", "n.lbl", [] { return filled(pds3Head, nestedObjects(60), image); }},
        {"Pds3ObjectsNestedTooDeep", "d.lbl", [] { return filled(pds3Head, "OBJECT = X\n", image); }},
        {"Pds3UnclosedComments", "c.lbl", [] { return filled(pds3Head, "/* a\n", image); }},
        {"Pds3LongSequence", "q.lbl", [] { return filled(pds3Head + "A = (", "1,", "1)\n" + image); }},
        {"Pds3NestedSequences", "p.lbl",
         [] {
             const std::string nested = std::string(60, '(') + "1" + std::string(60, ')') + ",";
             return filled(pds3Head + "A = (", nested, "1)\n" + image);
         }},
        {"Pds3UnclosedUnit", "u.lbl", [] { return filled(pds3Head + "A = 1 <", "x", "\n" + image); }},
        {"VicarItems", "v.img", [] { return filled("LBLSIZE=1048576 ", "A=1 ", ""); }},
        {"VicarQuotedItems", "w.img", [] { return filled("LBLSIZE=1048576 ", "A='it''s' ", ""); }},
        {"Pds4Elements", "e.xml", [] { return filled("<Product>", "<a>1</a>", "</Product>"); }},
        {"Pds4ElementsNestedToTheLimit", "f.xml", [] { return filled("<Product>", nestedElements(60), "</Product>"); }},
        {"Pds4Attributes", "g.xml", [] { return filled("<Product", " a=\"1\"", "/>"); }},
        {"Pds4Entities", "h.xml", [] { return filled("<Product>", "&amp;&#65;", "</Product>"); }},
        {"EnviLines", "i.hdr", [] { return filled("ENVI\n", "a = 1\n", ""); }},
        {"EnviUnclosedBrace", "j.hdr", [] { return filled("ENVI\nx = {\n", "a\n", ""); }},
    };
    return table;
}

void BM_ReadLabel(benchmark::State& state, const Shape& shape)
{
    const fs::path folder = fs::temp_directory_path() / ("skeldra-label-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path path = folder / shape.file;
    const std::string text = shape.text();
    std::ofstream(path, std::ios::binary) << text;
    for (auto _ : state) benchmark::DoNotOptimize(findLabelLayout(path.string()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
    fs::remove_all(folder);
}

const bool registered = [] {
    for (const Shape& shape : shapes())
        benchmark::RegisterBenchmark((std::string("BM_ReadLabel/") + shape.name).c_str(), BM_ReadLabel, shape)
            ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
