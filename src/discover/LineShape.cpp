// SPDX-License-Identifier: BSD-3-Clause
#include "discover/LineShape.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace skeldra {

namespace {

constexpr int64_t maxRows = 64;
// A tenth of the span of the codes: image columns change less from line to
// line, random bytes read as samples about three times more.
constexpr double roughestImageChange = 6000;

double median(std::vector<double> values)
{
    return quantile(values, 0.5);
}

// Per byte of two records side by side: a line that starts late in one
// record ends in the next, and where the record is not a whole number of
// samples, the samples after that record's end lie at another byte
// alignment than those before it. Over two records one whole line lies at
// one alignment.
struct Columns {
    std::vector<double> vertical;    // mean change to the same byte a record on
    std::vector<double> horizontal;  // mean change to the byte a sample before
    // The least mean change to the byte 1 to 4 samples before: in a line of
    // pixels interleaved by band, a sample's neighbour is a pixel on.
    std::vector<double> nearest;
    std::vector<bool> steady;        // changing by the same step (or none) nearly every line: a line counter
    // Changing by the same step between lines spread through the whole
    // window too: a flat part of a picture seldom stays flat that far.
    // Measured only where walls are looked for.
    std::vector<bool> steadyThroughout;
    std::vector<bool> outside;       // beyond the values' range on both sides in most lines: not the picture
    std::vector<bool> beyond;        // beyond it on one side in most lines: flat as far as codes tell
    const int16_t* first = nullptr;  // the codes of the first record compared
    int64_t rows = 0;
};

// Whether the codes step alike nearly every time: of the steps within the
// codes' range (a quarter of all steps at least), nine in ten match the
// first or the second within the codes' rounding.
class SameStep {
public:
    void add(int16_t before, int16_t after)
    {
        if (clamped(before) || clamped(after)) return;
        const int32_t change = int32_t{after} - int32_t{before};
        if (!step_[0]) step_[0] = change;
        else if (!step_[1]) step_[1] = change;
        ++measured_;
        same_[0] += std::abs(change - *step_[0]) <= 2, same_[1] += step_[1] && std::abs(change - *step_[1]) <= 2;
    }
    // Steps within the codes' range.
    int64_t measured() const { return measured_; }
    bool steady(int64_t steps) const
    {
        return 4 * measured_ >= steps && 10 * std::max(same_[0], same_[1]) >= 9 * measured_;
    }

private:
    std::optional<int32_t> step_[2];
    int64_t measured_ = 0, same_[2] = {0, 0};
};

// Per byte of two records: steady from line to line at places spread
// through all the codes.
std::vector<bool> steadyThroughout(const SampleCodes& codes, int64_t record)
{
    constexpr int64_t places = 16;
    const int64_t records = std::ssize(codes.code) / record - 3;
    std::vector<bool> steady(static_cast<size_t>(2 * record), false);
    if (records < 1) return steady;
    const int64_t stride = std::max<int64_t>(1, records / places);
    const int64_t steps = std::min(places, records / stride + 1);
    for (int64_t c = 0; c < 2 * record; ++c) {
        SameStep same;
        for (int64_t k = 0; k < steps; ++k) {
            const auto here = static_cast<size_t>(k * stride * record + c);
            same.add(codes.code[here], codes.code[here + static_cast<size_t>(record)]);
        }
        steady[static_cast<size_t>(c)] = same.steady(steps);
    }
    return steady;
}

// Rows from the middle of the window: its first records may still be header.
Columns columnChanges(const SampleCodes& codes, int64_t record, int32_t width, int64_t rows)
{
    const int64_t span = 2 * record;
    const auto size = static_cast<size_t>(span);
    Columns columns{std::vector<double>(size), std::vector<double>(size), std::vector<double>(size),
                    std::vector<bool>(size), {}, std::vector<bool>(size), std::vector<bool>(size), nullptr, rows};
    const int64_t farthest = std::min<int64_t>(4, record / width);
    const int64_t spare = static_cast<int64_t>(codes.code.size()) / record - 3 - rows;
    const int16_t* x = codes.code.data() + std::max<int64_t>(0, spare / 2) * record;
    columns.first = x;
    for (int64_t c = 0; c < span; ++c) {
        int64_t vertical = 0, horizontal = 0, below = 0, above = 0;
        int64_t further[4] = {0, 0, 0, 0};  // changes to the samples 1 to 4 before
        // A counter outside the picture's range reads clamped.
        SameStep same;
        for (int64_t l = 0; l < rows; ++l) {
            const int64_t here = (l + 1) * record + c;
            vertical += codeDistance(x[here - record], x[here]);
            horizontal += codeDistance(x[here], x[here - width]);
            for (int64_t k = 1; k < farthest; ++k) further[k] += codeDistance(x[here], x[here - (k + 1) * width]);
            below += x[here] <= -codeLimit, above += x[here] >= codeLimit;
            same.add(x[here - record], x[here]);
        }
        columns.steady[static_cast<size_t>(c)] = same.steady(rows);
        const int64_t measured = same.measured();
        // Random bytes fall on both sides of the picture's range; a part of
        // the picture darker or brighter than most falls on one.
        columns.outside[static_cast<size_t>(c)] = 2 * measured < rows && below > 0 && above > 0;
        columns.beyond[static_cast<size_t>(c)] = 2 * measured < rows && !columns.outside[static_cast<size_t>(c)];
        columns.vertical[static_cast<size_t>(c)] = static_cast<double>(vertical) / static_cast<double>(rows);
        columns.horizontal[static_cast<size_t>(c)] = static_cast<double>(horizontal) / static_cast<double>(rows);
        further[0] = horizontal;
        columns.nearest[static_cast<size_t>(c)] =
            static_cast<double>(*std::min_element(further, further + farthest)) / static_cast<double>(rows);
    }
    return columns;
}

struct Run {
    int64_t first = 0;  // index among the alignment's sample columns
    int64_t length = 0;
    int64_t score = 0;
};

// How a column of samples behaves from line to line: like image data,
// unlike it (changing far more than image columns do), or constant (or
// counting lines, changing by the same step every line), which
// image data clamped at the ends of its range or a flat area can be as well
// as a pad. The weights let a few constant columns inside a line stay in
// it, while a block of them between lines, or any pad column, ends a line.
// No line crosses a wall (a pad the line jumps into and out of): it weighs
// more than the image columns of the longest record.
enum class ColumnKind : int { Wall = -(1 << 20), Pad = -4, Constant = -1, Image = 4 };

// The run of at most `longest` columns with the largest sum of weights:
// the most image columns net of the others. One pad block per record (a
// line's suffix and the next line's prefix) separates the lines, and image
// columns that change more than most (edges) do not split a line.
Run imageRun(const std::vector<ColumnKind>& kinds, int64_t longest)
{
    const auto n = std::ssize(kinds);
    std::vector<int64_t> prefix(static_cast<size_t>(n + 1), 0);
    for (int64_t i = 0; i < n; ++i)
        prefix[static_cast<size_t>(i + 1)] = prefix[static_cast<size_t>(i)] + static_cast<int64_t>(kinds[static_cast<size_t>(i)]);
    // For each end, the least prefix sum within reach (a sliding minimum).
    std::deque<int64_t> starts;
    Run best;
    for (int64_t end = 1; end <= n; ++end) {
        const int64_t start = end - 1;
        while (!starts.empty() && prefix[static_cast<size_t>(starts.back())] >= prefix[static_cast<size_t>(start)])
            starts.pop_back();
        starts.push_back(start);
        while (starts.front() < end - longest) starts.pop_front();
        const int64_t score = prefix[static_cast<size_t>(end)] - prefix[static_cast<size_t>(starts.front())];
        if (score > best.score) best = {starts.front(), end - starts.front(), score};
    }
    return best;
}

// The record read as one line but for its block of pad columns, when it
// has exactly one (columns that change unlike image data, not merely
// constant ones, which a flat part of the picture is as well); the whole
// record otherwise. A record holds `longest` columns.
Run lineBesidePads(const std::vector<ColumnKind>& kinds, int64_t longest, const Run& run)
{
    const Run whole{std::min(run.first, std::ssize(kinds) - longest), longest, run.score};
    if (std::ssize(kinds) < 2 * longest) return whole;
    auto isPad = [&](int64_t c) { return kinds[static_cast<size_t>((c + longest) % longest)] == ColumnKind::Pad; };
    int64_t padColumns = 0, blocks = 0, blockStart = 0;
    for (int64_t c = 0; c < longest; ++c) {
        padColumns += isPad(c) ? 1 : 0;
        if (isPad(c) && !isPad(c - 1)) ++blocks, blockStart = c;
    }
    if (blocks != 1 || 2 * padColumns >= longest) return whole;
    return {(blockStart + padColumns) % longest, longest - padColumns, run.score};
}

// The sample columns of one alignment and their kinds.
struct Alignment {
    int32_t residue = 0;
    std::vector<ColumnKind> kinds;
    Run run;
};

// The typical change from line to line of the alignment's changing
// columns: over two records about half of them belong to a whole line when
// the alignment is right, none when it pairs the bytes of two samples. The
// lower quartile, as a record of an odd number of bytes reads one record
// right and the next askew at every alignment, and the median then falls
// between the two, high enough to pass random pad bytes as image data.
double lowerQuartileChange(const Columns& columns, int32_t residue, int32_t width)
{
    std::vector<double> changing;
    for (size_t c = static_cast<size_t>(residue); c < columns.vertical.size(); c += static_cast<size_t>(width))
        if (columns.vertical[c] > 0) changing.push_back(columns.vertical[c]);
    return changing.empty() ? 0 : quantile(changing, 0.25);
}

// Pad columns come in one block per record. Rough columns each between
// image columns, a few apart, are the edges of one band of pixels
// interleaved by band: image.
void keepCombedEdges(std::vector<ColumnKind>& kinds)
{
    constexpr int64_t apart = 4;
    const auto n = std::ssize(kinds);
    auto at = [&](int64_t c) { return c >= 0 && c < n ? kinds[static_cast<size_t>(c)] : ColumnKind::Constant; };
    auto lone = [&](int64_t c) {
        return at(c) == ColumnKind::Pad && at(c - 1) == ColumnKind::Image && at(c + 1) == ColumnKind::Image;
    };
    std::vector<int64_t> edges;
    for (int64_t c = 0; c < n; ++c) {
        if (!lone(c)) continue;
        bool combed = false;
        for (int64_t d = 2; d <= apart && !combed; ++d) combed = lone(c - d) || lone(c + d);
        if (combed) edges.push_back(c);
    }
    for (const int64_t c : edges) kinds[static_cast<size_t>(c)] = ColumnKind::Image;
}

// A block of constant columns that the line jumps into and out of, far
// beyond the picture's changes, and that stays constant (or counts) through
// the whole window, is a wall between lines, not a flat part of the
// picture, however short it is beside one. A pad is one block per record:
// blocks that recur within a record are a band of pixels interleaved by
// band that stays flat while the others change.
void markWalls(std::vector<ColumnKind>& kinds, const Columns& columns, int32_t residue, int32_t width, double jump,
               int64_t longest)
{
    const auto n = std::ssize(kinds);
    auto column = [&](int64_t i) { return static_cast<size_t>(residue + i * width); };
    auto constant = [&](int64_t i) { return kinds[static_cast<size_t>(i)] == ColumnKind::Constant; };
    std::vector<std::pair<int64_t, int64_t>> walls;  // first column and end of each
    for (int64_t first = 1; first < n; ++first) {
        if (!constant(first) || constant(first - 1)) continue;
        int64_t end = first;
        bool throughout = true;
        for (; end < n && constant(end); ++end) {
            const size_t c = column(end);
            throughout = throughout && (columns.vertical[c] == 0 || columns.steady[c]) && columns.steadyThroughout[c];
        }
        const bool walled = end < n && columns.horizontal[column(first)] >= jump && columns.horizontal[column(end)] >= jump;
        if (walled && throughout) walls.emplace_back(first, end);
    }
    const bool onePerRecord = walls.size() == 1 || (walls.size() == 2 && walls[1].first - walls[0].first == longest);
    if (!onePerRecord) return;
    for (const auto& [first, end] : walls) std::fill(kinds.begin() + first, kinds.begin() + end, ColumnKind::Wall);
}

// Image columns change like the smoothest alignment's typical column, pads
// not at all or far more: the same measure for every alignment, so that an
// alignment reading garbage everywhere does not count as a clean line.
Alignment classify(const Columns& columns, int32_t residue, int32_t width, double typical, int64_t longest,
                   bool wholeRecord)
{
    Alignment alignment{residue, {}, {}};
    // Rough parts of a picture change several times more than its typical
    // column; random bytes change by a third of the codes' span.
    const double limit = std::max(6 * typical + 1, roughestImageChange);
    for (size_t c = static_cast<size_t>(residue); c < columns.vertical.size(); c += static_cast<size_t>(width)) {
        const double v = columns.vertical[c];
        // A column that repeats the one before it in every line (a counter
        // written twice) is no more image data than a constant one.
        const bool flat = v == 0 || columns.steady[c] || columns.horizontal[c] == 0 || columns.beyond[c];
        // Bytes read clamped to the range's ends change less than they are
        // rough: random pads mostly lie outside the picture's range.
        const bool image = v <= limit && !columns.outside[c];
        alignment.kinds.push_back(flat ? ColumnKind::Constant : image ? ColumnKind::Image : ColumnKind::Pad);
    }
    keepCombedEdges(alignment.kinds);
    // The whole record read as a line keeps what is constant: a picture's
    // margins of no data can be walled as well.
    if (!wholeRecord) markWalls(alignment.kinds, columns, residue, width, 8 * typical + 1, longest);
    alignment.run = imageRun(alignment.kinds, longest);
    return alignment;
}

// The shape's changes from line to line and from sample to sample, its
// line starting at this column.
void measureChanges(LineShape& shape, const Columns& columns, int64_t startColumn, int32_t width)
{
    const int64_t record = shape.recordBytes;
    auto columnAt = [&](int64_t c) { return static_cast<size_t>((startColumn + c) % (2 * record)); };
    std::vector<double> steps;
    for (int64_t i = 0; i < shape.lineSamples; ++i) steps.push_back(columns.horizontal[columnAt(i * width)]);
    // The median line's mean change to the next: the rows compared may
    // still be header in a small file read whole, which changes like noise.
    std::vector<double> lineChanges;
    for (int64_t l = 0; l < columns.rows; ++l) {
        const int16_t* line = columns.first + l * record;
        int64_t change = 0;
        for (int64_t i = 0; i < shape.lineSamples; ++i) {
            const size_t c = columnAt(i * width);
            change += codeDistance(line[c], line[c + static_cast<size_t>(record)]);
        }
        lineChanges.push_back(static_cast<double>(change) / static_cast<double>(shape.lineSamples));
    }
    shape.lineChange = median(lineChanges);
    shape.sampleChange = median(steps) + 1;
    shape.step.resize(static_cast<size_t>(record));
    for (int64_t c = 0; c < record; ++c) shape.step[static_cast<size_t>(c)] = columns.horizontal[columnAt(c)];
}

}  // namespace

std::optional<LineShape> lineShape(const SampleCodes& codes, int64_t record, int32_t width, int32_t residue,
                                   int64_t fileSize, bool wholeRecord)
{
    const auto available = static_cast<int64_t>(codes.code.size());
    const int64_t rows = std::min<int64_t>(maxRows, available / record - 3);
    if (rows < 2 || record < 2 * width) return std::nullopt;
    Columns columns = columnChanges(codes, record, width, rows);
    if (!wholeRecord) columns.steadyThroughout = steadyThroughout(codes, record);
    const int64_t longest = record / width;

    // The alignment whose samples hold the longest clean line; the encoding's
    // own alignment wins a tie.
    double typical = 0;
    for (int32_t r = 0; r < width; ++r) {
        const double change = lowerQuartileChange(columns, r, width);
        if (change > 0 && (typical == 0 || change < typical)) typical = change;
    }
    if (typical == 0) return std::nullopt;
    Alignment best = classify(columns, residue, width, typical, longest, wholeRecord);
    for (int32_t other = 0; other < width; ++other) {
        if (other == residue) continue;
        Alignment candidate = classify(columns, other, width, typical, longest, wholeRecord);
        if (candidate.run.score > best.run.score) best = std::move(candidate);
    }
    Run run = best.run;
    if (run.length < 2) return std::nullopt;
    auto column = [&](int64_t index) { return static_cast<size_t>(best.residue + index * width); };
    const auto count = std::ssize(best.kinds);
    if (wholeRecord) run = lineBesidePads(best.kinds, longest, run);

    std::vector<double> steps;
    for (int64_t i = 0; i < run.length; ++i) steps.push_back(columns.horizontal[column(run.first + i)]);
    const double stepTypical = median(steps) + 1;
    auto stepAt = [&](int64_t index) { return columns.horizontal[column(std::clamp<int64_t>(index, 0, count - 1))]; };

    // Without leftover bytes the file's end is a line's end, which puts a
    // line start at this byte of every record.
    const int64_t bySize = (fileSize - codes.offset) % record;
    bool fromFileSize = false;
    std::optional<int64_t> startJump;  // column of a jump that marks where lines start
    int64_t startColumn = 0;
    if (run.length == longest) {
        // No pad: the line starts where a sample differs most from the
        // nearest of the few samples before it (the bands of a pixel differ
        // wherever the colour does), unless the file's end puts it at a
        // plausible place.
        auto nearestAt = [&](int64_t index) { return columns.nearest[column(std::clamp<int64_t>(index, 0, count - 1))]; };
        std::vector<double> nearestSteps;
        for (int64_t i = 0; i < run.length; ++i) nearestSteps.push_back(nearestAt(run.first + i));
        const double nearestTypical = median(nearestSteps) + 1;
        int64_t jump = run.first;
        for (int64_t i = run.first; i < run.first + run.length; ++i)
            if (nearestAt(i) > nearestAt(jump)) jump = i;
        const bool clearJump = nearestAt(jump) >= 6 * nearestTypical;
        const bool sizeJump = columns.nearest[static_cast<size_t>(bySize)] >= 0.5 * nearestAt(jump);
        // Bytes left over at the end put the file's end anywhere; a place
        // between the bytes of a sample cannot be where lines start.
        const bool sizeAtSample = (bySize - best.residue) % width == 0;
        fromFileSize = sizeAtSample && (!clearJump || sizeJump);
        const auto jumpColumn = static_cast<int64_t>(column(jump));
        startColumn = fromFileSize ? bySize : jumpColumn;
        // Where samples beside it change more than usual as well (the
        // other bands of a pixel, whose own kind lies across the line's
        // start), the line may start at any of them, unless the file's end
        // puts a line start at the same place.
        bool lone = nearestAt(jump) >= 3 * nearestTypical;
        for (int64_t k = 1; k <= 3; ++k)
            lone = lone && std::max(nearestAt(jump - k), nearestAt(jump + k)) <= 2 * nearestTypical;
        const bool atSize = jumpColumn == bySize && nearestAt(jump) >= 2 * nearestTypical;
        if (lone || atSize) startJump = jumpColumn;
    } else {
        // Prefix or suffix bytes that change like image data from line to
        // line, but not like a neighbour of the samples, are pads too. A
        // step that recurs a few samples inward is the picture's own: the
        // step between two bands of each pixel.
        auto padStep = [&](int64_t index, int64_t inward) {
            if (stepAt(index) <= 5 * stepTypical) return false;
            for (int64_t k = 2; k <= 4; ++k)
                if (stepAt(index + k * inward) >= 0.5 * stepAt(index)) return false;
            return true;
        };
        while (run.length > 2 && padStep(run.first + 1, 1)) ++run.first, --run.length;
        while (run.length > 2 && padStep(run.first + run.length - 1, -1)) --run.length;
        startColumn = static_cast<int64_t>(column(run.first));
        fromFileSize = startColumn % record == bySize;
    }

    LineShape shape;
    shape.recordBytes = record;
    shape.lineStart = codes.offset + startColumn;
    shape.lineSamples = run.length;
    shape.pad = record - run.length * width;
    shape.fromFileSize = fromFileSize;
    if (startJump) shape.jumpStart = codes.offset + *startJump;
    measureChanges(shape, columns, startColumn, width);
    return shape;
}

int64_t firstLineFrom(int64_t lineStart, int64_t recordBytes, int64_t from)
{
    const int64_t behind = std::max<int64_t>(0, from - lineStart);
    return lineStart + (behind + recordBytes - 1) / recordBytes * recordBytes;
}

void remeasureChanges(LineShape& shape, const SampleCodes& codes, int32_t width)
{
    const int64_t record = shape.recordBytes;
    const int64_t rows = std::min<int64_t>(maxRows, std::ssize(codes.code) / record - 3);
    if (rows < 2) return;
    const int64_t startColumn = placeInRecord(shape.lineStart - codes.offset, record);
    measureChanges(shape, columnChanges(codes, record, width, rows), startColumn, width);
}

}  // namespace skeldra
