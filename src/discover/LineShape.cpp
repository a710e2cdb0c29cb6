#include "discover/LineShape.h"

#include <algorithm>
#include <numeric>

namespace skeldra {

namespace {

constexpr int64_t maxRows = 64;

double median(std::vector<double> values)
{
    return quantile(values, 0.5);
}

struct Columns {
    std::vector<double> vertical;    // per byte of the record
    std::vector<double> horizontal;
};

// Rows from the middle of the window: its first records may still be header.
Columns columnChanges(const SampleCodes& codes, int64_t record, int32_t width, int64_t rows)
{
    Columns columns{std::vector<double>(static_cast<size_t>(record)), std::vector<double>(static_cast<size_t>(record))};
    const int64_t spare = static_cast<int64_t>(codes.code.size()) / record - 2 - rows;
    const int16_t* x = codes.code.data() + std::max<int64_t>(0, spare / 2) * record;
    for (int64_t c = 0; c < record; ++c) {
        int64_t vertical = 0, horizontal = 0;
        for (int64_t l = 0; l < rows; ++l) {
            const int64_t here = (l + 1) * record + c;
            vertical += codeDistance(x[here - record], x[here]);
            horizontal += codeDistance(x[here], x[here - width]);
        }
        columns.vertical[static_cast<size_t>(c)] = static_cast<double>(vertical) / static_cast<double>(rows);
        columns.horizontal[static_cast<size_t>(c)] = static_cast<double>(horizontal) / static_cast<double>(rows);
    }
    return columns;
}

struct Run {
    int64_t first = 0;   // index among the residue's columns
    int64_t length = 0;
};

// How a column of samples behaves from line to line: like image data,
// unlike it (changing far more than image columns do), or constant, which
// image data clamped at the ends of its range or a flat area can be as well
// as a pad. The weights let a few constant columns inside a line stay in
// it, while a block of them between lines, or any pad column, ends a line.
enum class ColumnKind : int { Pad = -4, Constant = -1, Image = 4 };

// The run of largest (sign 1) or smallest (sign -1) sum, by Kadane's search.
Run extremeRun(const std::vector<int64_t>& scores, int64_t sign, int64_t& extreme)
{
    Run best{0, 0};
    extreme = 0;
    int64_t sum = 0, first = 0;
    for (int64_t i = 0; i < std::ssize(scores); ++i) {
        if (sum <= 0) sum = 0, first = i;
        sum += sign * scores[static_cast<size_t>(i)];
        if (sum > extreme) extreme = sum, best = {first, i - first + 1};
    }
    extreme *= sign;
    return best;
}

// The circular run of columns that holds the most image columns net of the
// others: one pad block per record (a line's suffix and the next line's
// prefix) separates the lines, and image columns that change more than
// most (edges) do not split a line.
Run imageRun(const std::vector<ColumnKind>& kinds)
{
    const auto n = static_cast<int64_t>(kinds.size());
    std::vector<int64_t> scores;
    for (ColumnKind kind : kinds) scores.push_back(static_cast<int64_t>(kind));
    const int64_t total = std::accumulate(scores.begin(), scores.end(), int64_t{0});
    int64_t most = 0, least = 0;
    Run best = extremeRun(scores, 1, most);
    // A run across the record's end is the record without its worst run.
    const Run worst = extremeRun(scores, -1, least);
    if (worst.length > 0 && worst.length < n && total - least > most)
        best = {(worst.first + worst.length) % n, n - worst.length};
    return best;
}

}  // namespace

std::optional<LineShape> lineShape(const SampleCodes& codes, int64_t record, int32_t width, int32_t residue,
                                   int64_t fileSize)
{
    const auto available = static_cast<int64_t>(codes.code.size());
    const int64_t rows = std::min<int64_t>(maxRows, available / record - 2);
    if (rows < 2 || record < 2 * width) return std::nullopt;
    const Columns columns = columnChanges(codes, record, width, rows);
    std::vector<double> sampleColumns;
    for (size_t c = static_cast<size_t>(residue); c < columns.vertical.size(); c += static_cast<size_t>(width))
        if (columns.vertical[c] > 0) sampleColumns.push_back(columns.vertical[c]);
    if (sampleColumns.empty()) return std::nullopt;
    // Parts of an image change faster than others; pads change not at all or
    // far more than even the busiest image columns.
    const double typical = quantile(sampleColumns, 0.9);

    auto column = [&](int64_t index) { return static_cast<size_t>(residue + index * width); };
    const int64_t count = (record - residue + width - 1) / width;
    std::vector<ColumnKind> kinds(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const double v = columns.vertical[column(i)];
        kinds[static_cast<size_t>(i)] = v == 0 ? ColumnKind::Constant
                                        : v <= 4 * typical + 1 ? ColumnKind::Image : ColumnKind::Pad;
    }
    Run run = imageRun(kinds);
    if (run.length < 2) return std::nullopt;

    std::vector<double> steps;
    for (int64_t i = 0; i < run.length; ++i) steps.push_back(columns.horizontal[column((run.first + i) % count)]);
    const double stepTypical = median(steps) + 1;
    auto stepAt = [&](int64_t index) { return columns.horizontal[column(((index % count) + count) % count)]; };

    // Without leftover bytes the file's end is a line's end, which puts a
    // line start at this byte of every record.
    const int64_t bySize = (fileSize - codes.offset) % record;
    bool fromFileSize = false;
    int64_t startColumn = 0;
    if (run.length == count) {
        // No pad: the line starts where a sample differs most from the one
        // before it, unless the file's end puts it at a plausible place.
        int64_t jump = 0;
        for (int64_t i = 1; i < count; ++i)
            if (stepAt(i) > stepAt(jump)) jump = i;
        const bool clearJump = stepAt(jump) >= 6 * stepTypical;
        const bool sizeJump = columns.horizontal[static_cast<size_t>(bySize)] >= 0.5 * stepAt(jump);
        // Bytes left over at the end put the file's end anywhere; a place
        // between the bytes of a sample cannot be where lines start.
        const bool sizeAtSample = (bySize - residue) % width == 0;
        fromFileSize = sizeAtSample && (!clearJump || sizeJump);
        startColumn = fromFileSize ? bySize : static_cast<int64_t>(column(jump));
        run.length = record / width;
    } else {
        // Prefix or suffix bytes that change like image data from line to
        // line, but not like a neighbour of the samples, are pads too.
        while (run.length > 2 && stepAt(run.first + 1) > 5 * stepTypical) ++run.first, --run.length;
        while (run.length > 2 && stepAt(run.first + run.length - 1) > 5 * stepTypical) --run.length;
        startColumn = static_cast<int64_t>(column(run.first % count));
        fromFileSize = startColumn == bySize;
    }

    LineShape shape;
    shape.recordBytes = record;
    shape.lineStart = codes.offset + startColumn;
    shape.lineSamples = run.length;
    shape.pad = record - run.length * width;
    shape.fromFileSize = fromFileSize;
    double lineChange = 0;
    for (int64_t i = 0; i < run.length; ++i)
        lineChange += columns.vertical[static_cast<size_t>((startColumn + i * width) % record)];
    shape.lineChange = lineChange / static_cast<double>(run.length);
    shape.sampleChange = stepTypical;
    shape.step.resize(static_cast<size_t>(record));
    for (int64_t c = 0; c < record; ++c)
        shape.step[static_cast<size_t>(c)] = columns.horizontal[static_cast<size_t>((startColumn + c) % record)];
    return shape;
}

}  // namespace skeldra
