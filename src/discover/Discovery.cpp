// SPDX-License-Identifier: BSD-3-Clause
#include "discover/Discovery.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <optional>

#include "base/Errors.h"
#include "discover/BandGuess.h"
#include "discover/FileSample.h"
#include "discover/LayoutRoughness.h"
#include "discover/LineShape.h"
#include "discover/RecordLength.h"
#include "discover/SampleEncoding.h"
#include "label/LabelFinder.h"
#include "raster/Strides.h"

namespace skeldra {

namespace {

constexpr int64_t headBytes = int64_t{1} << 20;
constexpr int64_t windowBytes = int64_t{2} << 20;
constexpr int64_t minRecordSamples = 64;
constexpr int64_t maxRecordBytes = int64_t{1} << 17;
constexpr int64_t fittingReachSamples = 4;
constexpr int64_t headerSearchBytes = int64_t{1} << 20;
// Progress in hundredths, each stage's share about its share of the time.
constexpr int steps = 100;

bool textByte(uint8_t b)
{
    return b == '\n' || b == '\r' || b == '\t' || (b >= 32 && b <= 126);
}

// End of the ASCII text at the start of the file (after its last line
// break), 0 when the file does not start with lines of text. A text's lines
// end alike: after lines ended by CR LF, a bare LF is a sample's byte that
// happens to follow printable ones.
int64_t asciiTextEnd(const std::vector<uint8_t>& head)
{
    int64_t end = 0, breaks = 0;
    bool crlf = false;
    for (int64_t i = 0; i < std::ssize(head) && textByte(head[static_cast<size_t>(i)]); ++i) {
        if (head[static_cast<size_t>(i)] != '\n') continue;
        const bool pair = i > 0 && head[static_cast<size_t>(i - 1)] == '\r';
        if (breaks == 0) crlf = pair;
        else if (crlf && !pair) break;
        ++breaks, end = i + 1;
    }
    return breaks >= 2 && end >= 32 ? end : 0;
}

// End of the spaces after the text that fill a label out to its record:
// those up to the first byte that is no text (the samples' first bytes may
// be spaces too); the text's end where more text or the head's end follows.
int64_t spacesAfterText(const std::vector<uint8_t>& head, int64_t textEnd)
{
    if (textEnd == 0) return 0;
    const auto size = static_cast<int64_t>(head.size());
    int64_t end = textEnd;
    while (end < size && head[static_cast<size_t>(end)] == ' ') ++end;
    return end == size || textByte(head[static_cast<size_t>(end)]) ? textEnd : end;
}

// One band is "None" without a line pad and one BSQ band with one, as
// Layout from Label sets it.
void normalize(CandidateLayout& layout)
{
    if (layout.encoding.bytes == 1) layout.encoding.format = DataFormat::UnsignedInteger;
    if (layout.bands == 1) layout.structure = layout.linePad != 0 ? BandStructure::BSQ : BandStructure::None;
}

std::optional<CandidateLayout> fromLabel(const LabelLayout& label)
{
    if (!label.dataPath.empty() || !label.samplesPerLine || !label.lines || !label.bitsPerSample) return std::nullopt;
    CandidateLayout layout;
    const int64_t bits = label.bitsPerSample->value;
    if (bits != 8 && bits != 16 && bits != 32 && bits != 64) return std::nullopt;
    layout.encoding.bytes = static_cast<int32_t>(bits / 8);
    if (label.dataFormat) layout.encoding.format = label.dataFormat->value;
    if (bits == 8) layout.encoding.format = DataFormat::UnsignedInteger;
    if (bits == 64) layout.encoding.format = DataFormat::Real;
    if (label.reverseBytes) layout.encoding.msbFirst = label.reverseBytes->value;
    layout.headerBytes = label.headerBytes ? label.headerBytes->value : 0;
    layout.samplesPerLine = label.samplesPerLine->value;
    layout.lines = label.lines->value;
    if (label.bands) layout.bands = label.bands->value;
    if (label.bandStructure) layout.structure = label.bandStructure->value;
    else if (layout.bands > 1) layout.structure = BandStructure::BSQ;
    if (label.linePad) layout.linePad = label.linePad->value;
    if (label.bandPad) layout.bandPad = label.bandPad->value;
    if (label.gap) layout.gap = label.gap->value;
    if (label.tileSamples && label.tileLines) {
        layout.tileSamples = label.tileSamples->value;
        layout.tileLines = label.tileLines->value;
    }
    if (layout.samplesPerLine < 1 || layout.lines < 1 || layout.bands < 1 || layout.headerBytes < 0) return std::nullopt;
    normalize(layout);
    return layout;
}

// A range whose span or place differs by half its span or more: the window
// saw only a part of the picture, or read some samples askew, and much of
// the picture would read flat or clamped in its codes.
bool rangeMoved(const ValueRange& before, const ValueRange& after)
{
    const double span = before.high - before.low, spanAfter = after.high - after.low;
    return std::abs(spanAfter - span) > span / 2 || std::abs(after.low - before.low) > span / 2;
}

// The most a sample of the picture may differ from a neighbour (the sample
// a record on, or the one beside it) given the typical change that way:
// rough parts of a picture change several times more, header bytes mostly
// far more.
double roughLimit(double typicalChange)
{
    return 6 * typicalChange + 2;
}

std::string plural(int64_t count, const std::string& word)
{
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// A line shape less believed than others, unless its lines hold bands by
// line whose margin beats the one given.
struct Doubt {
    double factor = 1;
    double bandMarginToBeat = 0;
};

class Search {
public:
    Search(const std::string& path, const DiscoveryProgress& progress) : file_(path), path_(path), progress_(progress)
    {
    }

    Discovery run()
    {
        Discovery result;
        const int64_t size = file_.size();
        head_ = file_.read(0, headBytes);
        textEnd_ = asciiTextEnd(head_);
        spacesEnd_ = spacesAfterText(head_, textEnd_);
        if (!step(result, 1)) return result;
        std::optional<CandidateLayout> label;
        std::string labelKind;
        try {
            if (const auto found = findLabelLayout(path())) label = fromLabel(*found), labelKind = found->labelKind;
        } catch (const Error&) {
            // An unreadable label is no evidence; the search goes on without it.
        }
        if (!step(result, 2)) return result;
        discover(result, size);
        if (result.aborted) return result;
        if (label) placeLabel(result, *label, labelKind);
        std::stable_sort(result.candidates.begin(), result.candidates.end(),
                         [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
        if (result.candidates.empty() && result.verdict.empty())
            result.verdict = "No plausible layout: nothing in the file repeats like the lines of an image "
                             "(it may be compressed, text, or too small)";
        return result;
    }

private:
    const std::string& path() const { return path_; }

    bool step(Discovery& result, int done)
    {
        if (progress_ && !progress_(done, steps)) result.aborted = true;
        return !result.aborted;
    }

    void discover(Discovery& result, int64_t size)
    {
        const int64_t dataBytes = size - textEnd_;
        if (dataBytes < 256) {
            result.verdict = "The file holds too few bytes after its text (" + plural(std::max<int64_t>(dataBytes, 0), "byte") +
                             ") to find a layout from";
            return;
        }
        const int64_t start = dataBytes <= windowBytes ? textEnd_ : textEnd_ + dataBytes / 2 - windowBytes / 2;
        window_ = file_.read(start, windowBytes);
        windowStart_ = start;
        const std::span<const uint8_t> bytes(window_);
        width_ = sampleWidth(bytes.first(std::min<size_t>(bytes.size(), headBytes)));
        const std::vector<EncodingFit> fits = rankEncodingsInRuns(bytes, width_);
        encoding_ = fits.front().encoding;
        range_ = fits.front().range;
        readWindow();
        if (!step(result, 10)) return;

        KeepGoing keepGoing = [&] { return !progress_ || progress_(10, steps); };
        const std::vector<LagFit> lags = recordLengths(bytes, width_, minRecordSamples * width_, maxRecordBytes, 6, keepGoing);
        if (progress_ && !progress_(20, steps)) {
            result.aborted = true;
            return;
        }
        // A texture whose noise is most of each sample's change repeats
        // little better at its lines than elsewhere; its candidates keep
        // the low scores of so shallow a repetition. Random samples wider
        // than a byte repeat deeply at every lag that keeps them aligned,
        // where their upper bytes (a real's exponent) meet their own kind:
        // none repeats clearly better than the others (by chance, a few
        // hundredths in a window of a MiB), and the many lags alike in
        // depth would each be weighed and placed in vain.
        const bool standsOut =
            std::any_of(lags.begin(), lags.end(), [](const LagFit& fit) { return fit.contrast >= 0.05; });
        if (lags.empty() || lags.front().depth < 0.1 || !standsOut) {
            result.verdict = "No plausible layout: no distance up to 128 KiB repeats like image lines under any "
                             "sample width (the file may be compressed, encrypted or text)";
            return;
        }
        // A lag believed less than a tenth as well as the best that places
        // lines gives no candidate worth its time. The best may place none
        // (a band of a small picture repeats better than its lines, and the
        // window holds too few bands); then the rest are weighed without it,
        // their scores kept low.
        const std::vector<double> weights = lagWeights(lags);
        std::vector<size_t> unplaced(lags.size());
        std::iota(unplaced.begin(), unplaced.end(), size_t{0});
        double believed = 1;
        size_t placedLags = 0;
        while (!unplaced.empty() && result.candidates.empty()) {
            std::vector<size_t> left;
            for (const size_t i : unplaced) {
                if (weights[i] < 0.1 * believed) {
                    left.push_back(i);
                    continue;
                }
                const std::optional<Placement> placed = addCandidates(result, lags[i], weights[i]);
                if (placed && placed->leftover > 0) addFittingNeighbours(result, *placed, weights[i]);
                if (!step(result, 20 + static_cast<int>(65 * ++placedLags / lags.size()))) return;
            }
            if (left.size() == unplaced.size()) break;
            unplaced = std::move(left);
            believed = 0;
            for (const size_t i : unplaced) believed = std::max(believed, weights[i]);
        }
        if (!weighByRoughness(result)) return;
        std::stable_sort(result.candidates.begin(), result.candidates.end(),
                         [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
        removeDuplicates(result.candidates);
        step(result, 98);
    }

    // Each lag's weight, the samples read as the deepest lag reads them.
    std::vector<double> lagWeights(const std::vector<LagFit>& lags)
    {
        chooseEncoding(lags.front().lag);
        std::map<int64_t, double> changes;
        auto changeAt = [&](int64_t lag) {
            const auto [at, added] = changes.try_emplace(lag, 0.0);
            if (added) at->second = steadiestChange(codes_, lag, width_);
            return at->second;
        };
        std::vector<double> weights;
        for (size_t i = 0; i < lags.size(); ++i) weights.push_back(lagWeight(lags, i, changeAt, width_));
        return weights;
    }

    // The encoding, and the byte of a record where samples start, for
    // records of this length.
    void chooseEncoding(int64_t record)
    {
        const std::span<const uint8_t> bytes(window_);
        // The deepest lag's ranking serves its weighing and its candidates.
        if (rankedRecord_ != record) rankedRecord_ = record, ranked_ = rankEncodings(bytes, width_, record);
        const std::vector<EncodingFit>& fits = ranked_;
        encoding_ = fits.front().encoding;
        residue_ = fits.front().alignment;
        range_ = fits.front().range;
        readWindow();
    }

    // The window's samples read with the encoding and range chosen; decoded
    // again only when either changed, as every record length tried chooses
    // anew and most choose the same.
    void readWindow()
    {
        const std::pair reading{encoding_, range_};
        if (windowRead_ == reading) return;
        codes_ = sampleCodes(window_, windowStart_, encoding_, range_);
        windowRead_ = reading;
    }

    // The first place a line of this shape can start after the text at the
    // start of the file.
    int64_t firstLineAfterText(const LineShape& shape) const
    {
        return firstLineFrom(shape.lineStart % shape.recordBytes, shape.recordBytes, textEnd_);
    }

    // The file's samples from `position` on, read as the search reads them.
    SampleCodes codesAt(int64_t position, int64_t length)
    {
        return sampleCodes(file_.read(position, length), position, encoding_, range_);
    }

    int64_t dataStart(const LineShape& shape)
    {
        const int64_t record = shape.recordBytes;
        const int64_t first = firstLineAfterText(shape);
        const std::vector<uint8_t> bytes = file_.read(first, headerSearchBytes + 2 * record);
        const SampleCodes codes = sampleCodes(bytes, first, encoding_, range_);
        const int64_t samples = std::min<int64_t>(shape.lineSamples, 4096);
        for (int64_t at = 0; at + record + samples * width_ <= static_cast<int64_t>(codes.code.size()); at += record) {
            int64_t sum = 0, askew = 0, beyondRange = 0;
            bool varies = false;
            for (int64_t s = 0; s < samples; ++s) {
                const int16_t here = codes.code[static_cast<size_t>(at + s * width_)];
                sum += codeDistance(here, codes.code[static_cast<size_t>(at + record + s * width_)]);
                askew += codeDistance(here, codes.code[static_cast<size_t>(at + record + (s + samples / 2) % samples * width_)]);
                varies = varies || here != codes.code[static_cast<size_t>(at)];
                beyondRange += clamped(here) ? 1 : 0;
            }
            // Like the lines of the window, or far closer to the next line
            // than to another part of it: the top of a picture may be
            // rougher than the middle the window saw. Random bytes beyond
            // the picture's range read as one value, as close as any line.
            const double change = static_cast<double>(sum) / static_cast<double>(samples);
            const bool lineLike = change <= 3 * shape.lineChange + 2 || 3 * sum < askew;
            const bool inRange = 2 * beyondRange < samples;
            if (varies && change > 0 && lineLike && inRange) return first + flatLinesBefore(bytes, codes, shape, at, samples);
        }
        return first;
    }

    // A picture may start with lines of one value (the margin of a logo),
    // which no sample parts from a header of one value. A pad that changes
    // from line to line (noise, a counter) does: the lines before `at` whose
    // samples all hold the value the first image line starts with, and
    // whose pad differs from the pads of the lines on either side, belong
    // to the image. Where that line's start is the first image byte,
    // counted from the bytes' start.
    int64_t flatLinesBefore(const std::vector<uint8_t>& bytes, const SampleCodes& codes, const LineShape& shape,
                            int64_t at, int64_t samples) const
    {
        const int64_t record = shape.recordBytes, padFrom = shape.lineSamples * width_;
        if (shape.pad == 0) return at;
        const int16_t margin = codes.code[static_cast<size_t>(at)];
        auto imageLine = [&](int64_t line) {
            for (int64_t s = 0; s < samples; ++s)
                if (codes.code[static_cast<size_t>(line + s * width_)] != margin) return false;
            const auto pad = bytes.begin() + line + padFrom;
            return !std::equal(pad, pad + shape.pad, pad + record) && !std::equal(pad, pad + shape.pad, pad - record);
        };
        while (at >= 2 * record && imageLine(at - record)) at -= record;
        return at;
    }

    // Without a pad nothing in a record marks where a line starts: the
    // first line starts where the header ends, where samples close to the
    // sample a record further on follow samples that are not. Searched in
    // the record before the first one that reads like image lines and in
    // that one (whose start may still be header, if the rest is picture
    // enough), as the place that best parts the two (a header sample may be
    // close by chance).
    int64_t imageStart(const LineShape& shape, int64_t firstImageRecord)
    {
        constexpr int64_t beyond = 32;  // samples after the first image record weighed too
        const int64_t record = shape.recordBytes;
        const int64_t reach = record / width_ + beyond;
        const int64_t from = std::max(textEnd_, firstImageRecord - record);
        const int64_t samples = (firstImageRecord - from) / width_ + reach;
        const int64_t first = firstImageRecord - (samples - reach) * width_;
        if (samples <= reach) return firstImageRecord;
        const SampleCodes codes = codesAt(first, samples * width_ + record);
        if (std::ssize(codes.code) < (samples - 1) * width_ + record + 1) return firstImageRecord;
        const double limit = roughLimit(shape.lineChange);
        // closeBefore[i]: samples before sample i that are close to the next
        // line; a constant run where the next line changes is a filled
        // header, however close its value. A few equal samples are as
        // likely the picture's, unless they lie beyond its range.
        constexpr int64_t fillRun = 8;
        std::vector<int64_t> closeBefore(static_cast<size_t>(samples + 1), 0);
        const auto next = static_cast<size_t>(record), step = static_cast<size_t>(width_);
        int64_t equalRun = 0;  // samples before this one equal to it
        for (int64_t i = 0; i < samples; ++i) {
            const auto at = static_cast<size_t>(i * width_);
            equalRun = i > 0 && codes.code[at] == codes.code[at - step] ? equalRun + 1 : 0;
            const bool fill = equalRun >= fillRun - 1 || (equalRun > 0 && clamped(codes.code[at]));
            const bool filled = fill && codes.code[at + next] != codes.code[at + next - step];
            const bool close = !filled && codeDistance(codes.code[at], codes.code[at + next]) <= limit;
            closeBefore[static_cast<size_t>(i + 1)] = closeBefore[static_cast<size_t>(i)] + (close ? 1 : 0);
        }
        // The first image record may start a few samples late, as the line
        // start was found a record on, where the next line may blur it.
        const int64_t searched = samples - beyond / 2;
        auto closeIn = [&](int64_t from, int64_t to) {
            return closeBefore[static_cast<size_t>(to)] - closeBefore[static_cast<size_t>(from)];
        };
        // The split with most close samples after it and fewest before it.
        int64_t best = searched, bestScore = std::numeric_limits<int64_t>::min();
        for (int64_t t = 0; t <= searched; ++t) {
            const int64_t score = 2 * closeIn(t, samples) - (samples - t) + t - 2 * closeIn(0, t);
            if (score > bestScore) bestScore = score, best = t;
        }
        constexpr int64_t fewest = 64;  // header samples to tell how often they are close by chance
        if (best < fewest) return first + best * width_;
        // Header bytes are close by chance now and then, image samples
        // nearly always: where that is so, a sample that is not close says
        // more than one that is. The split again, each sample weighed by
        // how often it is close on either side of the first split.
        const double inHeader = std::clamp(static_cast<double>(closeIn(0, best)) / static_cast<double>(best), 0.02, 0.9);
        const double inImage = std::clamp(static_cast<double>(closeIn(best, samples)) / static_cast<double>(samples - best),
                                          inHeader + 0.05, 0.99);
        const double ifClose = std::log(inImage / inHeader), ifNot = std::log((1 - inImage) / (1 - inHeader));
        double score = 0, most = 0;
        best = searched;
        for (int64_t t = searched - 1; t >= 0; --t) {
            score += closeIn(t, t + 1) > 0 ? ifClose : ifNot;
            if (score > most) most = score, best = t;
        }
        return first + best * width_;
    }

    // A header sample close to the line below by chance reads as the
    // image's first; where every line's start was seen as a jump, the
    // image starts at the start of a line within a few samples.
    int64_t nearJump(const LineShape& shape, int64_t header) const
    {
        if (!shape.jumpStart) return header;
        const int64_t record = shape.recordBytes;
        const int64_t on = placeInRecord(*shape.jumpStart - header, record);
        const int64_t shift = on <= record / 2 ? on : on - record;
        const bool near = std::abs(shift) <= 4 * width_ && header + shift >= textEnd_;
        return near ? header + shift : header;
    }

    // Whether the `count` samples from `header` on are each close to the
    // sample a record further on and to the one beside them, and those
    // before it mostly not: a header unlike the picture ends there, and a
    // line that runs on so evenly has no start among those samples, however
    // the file ends. (Header bytes that match the line below by chance are
    // followed by a line's start, which seldom continues them.)
    bool startsSharply(const LineShape& shape, int64_t header, int64_t count)
    {
        const int64_t record = shape.recordBytes, first = header - count * width_;
        if (first < textEnd_) return false;
        const SampleCodes codes = codesAt(first, 2 * count * width_ + record);
        if (std::ssize(codes.code) < (2 * count - 1) * width_ + record + 1) return false;
        const double limit = roughLimit(shape.lineChange);
        auto close = [&](int64_t sample) {
            const auto at = static_cast<size_t>(sample * width_);
            return codeDistance(codes.code[at], codes.code[at + static_cast<size_t>(record)]) <= limit;
        };
        const double stepLimit = roughLimit(shape.sampleChange);
        auto even = [&](int64_t sample) {
            const auto at = static_cast<size_t>(sample * width_);
            return codeDistance(codes.code[at], codes.code[at - static_cast<size_t>(width_)]) <= stepLimit;
        };
        int64_t closeBefore = 0, closeAfter = 0, evenAfter = 0;
        for (int64_t i = 0; i < count; ++i)
            closeBefore += close(i), closeAfter += close(count + i), evenAfter += i == 0 || even(count + i);
        return closeAfter == count && evenAfter == count && 4 * closeBefore <= count;
    }

    // Where a line shape's image starts, and the bytes left over at the end.
    struct Placement {
        int64_t header = 0;
        int64_t leftover = 0;
        double bandMargin = 0;  // of the most believed band guess, 0 for one band
        LagFit lag;             // the record length the lines were placed at
    };

    // A lag that repeats about as well as one whose lines leave bytes over,
    // and whose lines end at the end of the file when they start where that
    // one's image starts, is the likelier record length: the other may be a
    // diagonal of the picture. Both compete. Judged before any of them is
    // placed, in the samples as the found lag reads them.
    void addFittingNeighbours(Discovery& result, const Placement& placed, double weight)
    {
        const LagFit& lag = placed.lag;
        std::vector<int64_t> fitting;
        for (const int64_t other : lag.alike) {
            // Whole records of this length reach the end of the file from a
            // start `over` bytes after the found one, or a record less before it.
            const int64_t over = (file_.size() - placed.header) % other;
            if (std::min(over, other - over) <= fittingReachSamples * width_) fitting.push_back(other);
        }
        for (const int64_t other : recordsFillingFile(placed))
            if (std::find(fitting.begin(), fitting.end(), other) == fitting.end()) fitting.push_back(other);
        // Each is placed as it stands: the found lag may read steadier, as
        // the diagonal it is.
        for (const int64_t other : fitting)
            addCandidates(result, LagFit{other, lag.depth, lag.contrast, {}}, weight, false);
    }

    // Record lengths up to 64 samples from the found one that fill the file
    // with as many lines, or one more or less, from a start near the found
    // one's, and whose lines read closer than the found one's: in an
    // enlarged or smooth picture a diagonal a pixel or many along repeats
    // about as well as the line below, or better in its bytes. From the
    // found start itself (a prefix's worth of bytes aside), lines that end
    // with the file are likely enough to compete while they read a little
    // less close: a picture stretched along its lines, with slanted edges,
    // repeats better on the diagonal.
    std::vector<int64_t> recordsFillingFile(const Placement& placed)
    {
        constexpr int64_t reachSamples = 64, sameStartSamples = 4;
        const int64_t record = placed.lag.lag, data = file_.size() - placed.header;
        const double own = changeAtRecord(codes_, record, width_);
        std::vector<int64_t> fitting;
        for (int64_t lines = data / record - 1; lines <= data / record + 1; ++lines) {
            if (lines < 2) continue;
            const int64_t near = data / lines / width_ * width_;
            for (const int64_t other : {near, near + width_}) {
                const int64_t header = file_.size() - lines * other;
                const int64_t apart = std::abs(other - record);
                if (apart == 0 || apart > reachSamples * width_ || header < textEnd_) continue;
                const int64_t moved = std::abs(header - placed.header);
                if (moved > apart + fittingReachSamples * width_) continue;
                const double change = changeAtRecord(codes_, other, width_);
                const double tolerance = moved <= sameStartSamples * width_ ? 1.25 : 1.0;
                if (change < own * tolerance) fitting.push_back(other);
            }
        }
        return fitting;
    }

    // The line shape of records of this length whose samples start at this
    // byte of the sample width, with the encoding settled on its lines.
    std::optional<LineShape> settledShape(int64_t record, int32_t residue)
    {
        std::optional<LineShape> found = lineShape(codes_, record, width_, residue, file_.size());
        if (!found) return std::nullopt;
        // Once lines are known to start at a sample, the encoding is
        // clear of the readings that pair bytes of neighbouring samples.
        if (refineEncoding(*found)) {
            found = lineShape(codes_, record, width_, residueOf(*found), file_.size());
            if (!found) return std::nullopt;
        }
        // A start moved by a byte or more reads other samples, whose
        // encoding is judged again.
        const Encoding before = encoding_;
        if (settleLineStart(*found)) {
            const bool swapped = !(encoding_ == before);
            if (refineEncoding(*found) || swapped) {
                // Without a pad, where lines start was judged from samples
                // read askew; it is found again from ones read right.
                if (swapped && found->pad == 0) found = lineShape(codes_, record, width_, residueOf(*found), file_.size());
                else if (!(found->pad > 0 && findPadEndsAgain(*found))) remeasureChanges(*found, codes_, width_);
            }
        }
        return found;
    }

    // Where a pad ends was judged from samples read askew, or in a range
    // drawn from them; found again from ones read right, a sample either way
    // at most (a line a band or a record further on may hold as long a run
    // of samples). True if the shape was found again.
    bool findPadEndsAgain(LineShape& shape)
    {
        const int64_t record = shape.recordBytes;
        const auto again = lineShape(codes_, record, width_, residueOf(shape), file_.size());
        if (!again) return false;
        const int64_t apart = placeInRecord(again->lineStart - shape.lineStart, record);
        if (std::min(apart, record - apart) > width_) return false;
        shape = *again;
        return true;
    }

    std::optional<Placement> addCandidates(Discovery& result, LagFit lag, double weight, bool steadiest = true)
    {
        chooseEncoding(lag.lag);
        std::optional<LineShape> found = settledShape(lag.lag, residue_);
        if (!found) return std::nullopt;
        // With the samples read right, a record a sample or a few longer or
        // shorter may read the lines closer: the bytes' repetition found a
        // diagonal of the picture.
        const LagFit steadier = steadiest ? steadiestNeighbour(codes_, lag, width_, minRecordSamples * width_) : lag;
        if (steadier.lag != lag.lag) {
            // A smooth surface may read closer along a diagonal than along
            // its columns. A true record found from a diagonal shows its
            // pad, which the diagonal smeared over the line; a pad far
            // wider than any line prefix is more likely the diagonal's
            // samples read askew (in records of whole samples and a few
            // bytes), and the found length competes too.
            constexpr int64_t widestGrowth = 64;
            const LagFit own = lag;
            const int64_t ownPad = found->pad;
            found = settledShape(steadier.lag, residueAt(found->lineStart, steadier.lag));
            if (!found || found->pad > ownPad + widestGrowth) {
                std::optional<Placement> placed;
                if (found) placed = addShapeCandidates(result, *found, steadier, weight);
                addCandidates(result, own, weight, false);
                return placed;
            }
        }
        lag = steadier;
        const std::optional<Placement> placed = addShapeCandidates(result, *found, lag, weight);
        // A picture's flat or clipped edges read like a pad of constant
        // bytes: the record read as one whole line competes, a little less
        // believed unless its lines hold bands by line that stand out
        // clearly, and more than the bands with the pad do (a pad within the
        // line would break their alignment).
        if (found->pad > 0 && lag.lag % width_ == 0) {
            // Unless the pad's bytes change from line to line as noise does
            // while its samples read flat: a margin of the picture beyond
            // the range its lines were read in.
            const bool noisyFlat = placed && found->pad >= 2 * width_ && padChange(*found, placed->header).noisy >= 0.25;
            if (const auto whole = lineShape(codes_, lag.lag, width_, residueOf(*found), file_.size(), true))
                addShapeCandidates(result, *whole, lag, weight,
                                   Doubt{noisyFlat ? 1.0 : 0.6, placed ? placed->bandMargin : 0});
        }
        return placed;
    }

    // The byte of a record, counted from the window's start, where the
    // samples of lines starting at `lineStart` start modulo the sample width.
    int32_t residueAt(int64_t lineStart, int64_t record) const
    {
        return static_cast<int32_t>(((lineStart - windowStart_) % record) % width_);
    }

    int32_t residueOf(const LineShape& shape) const { return residueAt(shape.lineStart, shape.recordBytes); }

    // Where a line shape's image starts (the lines moved to there), and
    // by how much it moved to make the lines end with the file.
    struct LinesPlaced {
        int64_t header = 0;
        int64_t shift = 0;
        bool turned = false;  // a byte, into the other byte order
    };

    LinesPlaced placeLines(LineShape& shape)
    {
        const int64_t firstImageRecord = dataStart(shape);
        int64_t header = shape.pad == 0 ? nearJump(shape, imageStart(shape, firstImageRecord)) : firstImageRecord;
        int64_t shift = shiftToFileEnd(shape, header);
        if (shift == 0) shift = shiftPastSpaces(shape, header);
        bool turned = shift == 0 && (shift = byteTurnToFileEnd(shape, header)) != 0;
        if (shift == 0) {
            if (const std::optional<LineShape> wider = padEdgesTurned(shape, header)) {
                shape = *wider;
                turned = true;
                shift = -1;
            }
        }
        if (shift != 0) {
            moveLineStart(shape, shift);
            header += shift;
        }
        return {header, shift, turned};
    }

    // The candidates of one line shape: its header, bands and readings.
    std::optional<Placement> addShapeCandidates(Discovery& result, LineShape shape, const LagFit& lag, double weight,
                                                Doubt doubt = {})
    {
        const LineShape found = shape;
        const auto [header, shift, turned] = placeLines(shape);
        const auto [records, leftover] = extentFrom(shape, header);
        if (records < 2) return std::nullopt;
        const Encoding encoding = turned ? turnedOver(encoding_) : encoding_;
        SampleCodes turnedCodes;
        if (turned) {
            turnedCodes = sampleCodes(window_, windowStart_, encoding, range_);
            remeasureChanges(shape, turnedCodes, width_);
        }
        const SampleCodes& codes = turned ? turnedCodes : codes_;

        CodeReader reader = [&](int64_t position, int64_t length) {
            return sampleCodes(file_.read(position, length), position, encoding, range_, static_cast<size_t>(width_));
        };
        const std::vector<BandGuess> bands = guessBands(codes, shape, width_, header, records, reader);
        constexpr double clearBands = 5;
        const bool clearBil = bands.front().structure == BandStructure::BIL &&
                              bands.front().margin >= std::max(clearBands, doubt.bandMarginToBeat);
        if (!clearBil) weight *= doubt.factor;

        // Pads are a small part of a record; a layout that calls much of
        // each record pad gets to leave out the parts of the picture that
        // read roughest (or flat margins that read smoothest).
        const double imageShare = 1 - static_cast<double>(shape.pad) / static_cast<double>(shape.recordBytes);
        // Most files end where their last line ends; bytes left over make a
        // record length a little less likely (a diagonal of the picture can
        // repeat about as well as its lines), most of a record left over
        // more so: it is likelier lines of a multiple of the record length
        // that does not divide them than a trailer.
        const double leftoverShare = static_cast<double>(leftover) / static_cast<double>(shape.recordBytes);
        const double sizeFit = leftover == 0 ? 1.0 : 0.85 * (1 - 0.3 * leftoverShare);
        const double score = weight * imageShare * sizeFit * std::clamp(0.3 + 0.65 * lag.depth, 0.0, 0.95);
        // A line widened into its pad by a turn of the byte order.
        const bool widened = found.lineSamples != shape.lineSamples;
        std::string common = placementEvidence(shape, encoding, header, leftover);
        if (turned)
            common += "; the other byte order a byte " + std::string(shift > 0 ? "earlier" : "later") +
                      " reads as smoothly, but " +
                      (widened ? "its pad's edges vary where the rest is constant"
                               : "its lines do not end where the file does");

        double factor = 1.0;
        for (const BandGuess& guess : bands) {
            CandidateLayout layout;
            layout.headerBytes = header;
            layout.encoding = encoding;
            layout.bands = guess.bands;
            layout.structure = guess.structure;
            const bool interleaved = guess.structure == BandStructure::BIL || guess.structure == BandStructure::BIP;
            layout.samplesPerLine = interleaved ? shape.lineSamples / guess.bands : shape.lineSamples;
            layout.lines = linesIn(records, layout);
            layout.linePad = shape.pad;
            normalize(layout);
            std::string evidence = common + "; " +
                                   (guess.evidence.empty() ? std::string("one band") : guess.evidence);
            result.candidates.push_back({layout, score * factor, evidence + "."});
            factor *= 0.55;
        }
        // The next readings of the samples, for the top five, with the most
        // believed bands.
        const CandidateLayout best = result.candidates[result.candidates.size() - bands.size()].layout;
        for (size_t i = 1; i < alternatives_.size() && i < 3; ++i) {
            CandidateLayout layout = best;
            layout.encoding = turned ? turnedOver(alternatives_[i].encoding) : alternatives_[i].encoding;
            normalize(layout);
            // A reading as smooth as the next one is as likely (a picture of
            // two levels reads alike signed and unsigned).
            const bool asNext = alternatives_[i].roughness <= alternatives_[1].roughness;
            result.candidates.push_back({layout, score * (asNext ? 0.6 : 0.5),
                                         common + "; read as " + describeEncoding(layout.encoding) +
                                             " instead, the next smoothest."});
        }
        // Bytes may be left over after all: the lines where the samples put
        // them compete.
        const Extent asFound = extentFrom(found, header - shift);
        // A line widened into its pad holds the bands' samples it did not
        // before: only a line of one band's samples can be read as found.
        const bool oneBandLines = best.structure == BandStructure::None || best.structure == BandStructure::BSQ;
        if (shift != 0 && asFound.records >= 2 && (!widened || oneBandLines)) {
            CandidateLayout layout = best;
            layout.headerBytes = header - shift;
            layout.encoding = encoding_;
            if (widened) layout.samplesPerLine = found.lineSamples, layout.linePad = found.pad;
            layout.lines = linesIn(asFound.records, layout);
            result.candidates.push_back({layout, score * 0.5,
                                         placementEvidence(found, encoding_, layout.headerBytes, asFound.leftover) +
                                             "; the lines start where the samples first read like lines."});
        }
        return Placement{header, leftover, bands.front().bands > 1 ? bands.front().margin : 0, lag};
    }

    // Whole records from `header` on (the last one's pad may be cut off by
    // the file's end), and the bytes after them.
    struct Extent {
        int64_t records = 0;
        int64_t leftover = 0;
    };

    Extent extentFrom(const LineShape& shape, int64_t header) const
    {
        const int64_t records = (file_.size() - header + shape.pad) / shape.recordBytes;
        return {records, std::max<int64_t>(0, file_.size() - header - records * shape.recordBytes)};
    }

    // The lines of a layout's bands in this many records.
    static int64_t linesIn(int64_t records, const CandidateLayout& layout)
    {
        return layout.structure == BandStructure::BSQ ? records / layout.bands : records;
    }

    // What the candidates of a line shape placed at `header` rest on.
    std::string placementEvidence(const LineShape& shape, const Encoding& encoding, int64_t header,
                                  int64_t leftover) const
    {
        std::string evidence = "rows repeat every " + plural(shape.recordBytes, "byte") + "; " +
                               describeEncoding(encoding) + " gives the smoothest rows";
        if (shape.pad > 0) evidence += "; " + plural(shape.pad, "byte") + " per line unlike image data (line pad)";
        evidence += "; image data start at byte " + std::to_string(header);
        if (textEnd_ > 0 && header >= textEnd_) evidence += ", after " + plural(textEnd_, "byte") + " of ASCII text";
        if (leftover > 0) evidence += "; " + plural(leftover, "byte") + " left over at the end";
        return evidence;
    }

    // Whether lines from `start` end where the file ends (their last pad may
    // be cut off), and start after the text at its start.
    bool linesEndWithFile(const LineShape& shape, int64_t start) const
    {
        const int64_t record = shape.recordBytes, rest = file_.size() - start;
        return start >= textEnd_ && rest > record && (rest % record == 0 || rest % record >= record - shape.pad);
    }

    // Where lines start was judged from samples alone and may be a sample
    // or a few off; most files end where their last line (or its pad) ends.
    // The nearest shift by whole samples that makes the lines end there, if
    // the lines do not already; a pad could fit in more places, so it gets
    // less reach. Bytes left over after the last line (a trailer) look like
    // lines starting late by as many, so a shift towards the end gets less
    // reach than one back, which would need most of a record left over.
    int64_t shiftToFileEnd(const LineShape& shape, int64_t header)
    {
        // A pad whose bytes differ from line to line (a counter, noise)
        // marks where lines start; only a constant one leaves doubt.
        if (shape.pad > 0 && padVaries(shape, header)) return 0;
        if (linesEndWithFile(shape, header) || startsAfterLabel(header)) return 0;
        const int64_t reachBack = shape.pad == 0 ? 16 : 2, reachOn = shape.pad == 0 ? 8 : 2;
        for (int64_t samples = 1; samples <= reachBack; ++samples) {
            if (samples <= reachOn && linesEndWithFile(shape, header + samples * width_) &&
                (shape.pad != 0 || !startsSharply(shape, header, reachOn)))
                return samples * width_;
            if (linesEndWithFile(shape, header - samples * width_)) return -samples * width_;
        }
        return 0;
    }

    // Samples that first read like lines right where a label's text and the
    // spaces filling it out end start there: bytes over at the file's end
    // are then a trailer, not a sign that the lines start later.
    bool startsAfterLabel(int64_t header) const
    {
        return textEnd_ > 0 && header <= spacesEnd_ && header > spacesEnd_ - width_;
    }

    // Spaces that fill a label out to its record may read like samples close
    // to the next line; lines placed among them start after them, by whole
    // samples, where that makes the lines end with the file. The first
    // sample may begin with a space itself.
    int64_t shiftPastSpaces(const LineShape& shape, int64_t header) const
    {
        const int64_t past = spacesEnd_ - (width_ - 1) - header;
        if (past <= 0) return 0;
        const int64_t shift = (past + width_ - 1) / width_ * width_;
        return linesEndWithFile(shape, header + shift) ? shift : 0;
    }

    // 16-bit samples read a byte on or back in the other byte order pair
    // each upper byte with the lower byte of its other neighbour, which
    // reads as smoothly where the upper byte seldom carries (a flat ground,
    // a narrow range): where that pairing carries no less cleanly, the
    // file's end tells which is right. The shift that makes the lines end
    // with the file that way, where they do not already; 0 if none.
    int64_t byteTurnToFileEnd(const LineShape& shape, int64_t header)
    {
        if (width_ != 2 || shape.pad != 0 || linesEndWithFile(shape, header)) return 0;
        const int64_t shift = linesEndWithFile(shape, header + 1) ? 1 : linesEndWithFile(shape, header - 1) ? -1 : 0;
        if (shift == 0) return 0;
        const double now = carriesOfLines(shape, header, encoding_).value_or(-1.0);
        const double turned = carriesOfLines(shape, header + shift, turnedOver(encoding_)).value_or(-1.0);
        return now < 0 || (turned >= 0 && turned <= now) ? shift : 0;
    }

    // The same byte pairing beside a pad of constant bytes: the line read a
    // byte late takes the last upper byte and the next line's first lower
    // byte into its pad, which then varies at both edges. The shape a sample
    // longer, its pad two bytes narrower, where that pad a byte back is
    // constant and the other byte order there carries no less cleanly.
    std::optional<LineShape> padEdgesTurned(const LineShape& shape, int64_t header)
    {
        if (width_ != 2 || shape.pad < 4 || !padVaries(shape, header)) return std::nullopt;
        LineShape wider = shape;
        ++wider.lineSamples;
        wider.pad -= 2;
        if (header - 1 < textEnd_ || padVaries(wider, header - 1)) return std::nullopt;
        const auto now = carriesOfLines(shape, header, encoding_);
        const auto turned = carriesOfLines(wider, header - 1, turnedOver(encoding_));
        if (!now || !turned || *turned > *now) return std::nullopt;
        return wider;
    }

    // `carryStep` of the lines from `first` on in this encoding (-1 where
    // they show too few carries); none where no lines can be gathered.
    std::optional<double> carriesOfLines(const LineShape& shape, int64_t first, const Encoding& encoding)
    {
        const auto gathered = gatherLines(first, shape, 16);
        if (!gathered) return std::nullopt;
        return carryStep(gathered->bytes, encoding, gathered->lines);
    }

    static Encoding turnedOver(Encoding encoding)
    {
        encoding.msbFirst = !encoding.msbFirst;
        return encoding;
    }

    // Shares of the pad bytes after the first lines from `header` on that
    // differ from the same byte a line before, and that differ by more than
    // a count's step: none in a constant pad, a few in a line counter, most
    // in noise.
    struct PadChange {
        double differing = 0;
        double noisy = 0;
    };

    PadChange padChange(const LineShape& shape, int64_t header)
    {
        constexpr int64_t lines = 8;
        const int64_t padStart = header + shape.recordBytes - shape.pad;
        std::vector<uint8_t> before = file_.read(padStart, shape.pad);
        before.resize(static_cast<size_t>(shape.pad), 0);
        int64_t differing = 0, noisy = 0;
        for (int64_t line = 1; line < lines; ++line) {
            std::vector<uint8_t> pad = file_.read(padStart + line * shape.recordBytes, shape.pad);
            differing += pad.size() != before.size() ? 1 : 0;  // cut off by the file's end
            pad.resize(static_cast<size_t>(shape.pad), 0);
            for (size_t i = 0; i < pad.size(); ++i) {
                const int step = (pad[i] - before[i]) & 0xFF;
                differing += step != 0 ? 1 : 0;
                noisy += step > 1 && step < 255 ? 1 : 0;
            }
            before = std::move(pad);
        }
        const auto bytes = static_cast<double>((lines - 1) * shape.pad);
        return {static_cast<double>(differing) / bytes, static_cast<double>(noisy) / bytes};
    }

    bool padVaries(const LineShape& shape, int64_t header) { return padChange(shape, header).differing > 0; }

    struct GatheredLines {
        std::vector<uint8_t> bytes;
        std::vector<std::vector<int64_t>> lines;  // offsets of each run's samples in `bytes`
    };

    // Runs of samples of lines from `first` on, spread over the file, read
    // into one buffer.
    std::optional<GatheredLines> gatherLines(int64_t first, const LineShape& shape, int64_t maxLines)
    {
        GatheredLines gathered;
        gathered.lines = runsOverLines(static_cast<size_t>(file_.size()), first, shape.recordBytes,
                                       shape.lineSamples, width_, maxLines);
        if (gathered.lines.empty()) return std::nullopt;
        for (std::vector<int64_t>& run : gathered.lines) {
            const int64_t from = run.front(), length = run.back() - from + width_;
            const std::vector<uint8_t> read = file_.read(from, length);
            if (std::ssize(read) < length) return std::nullopt;
            const auto at = static_cast<int64_t>(gathered.bytes.size());
            gathered.bytes.insert(gathered.bytes.end(), read.begin(), read.end());
            for (int64_t& offset : run) offset += at - from;
        }
        return gathered;
    }

    // The encoding again, now over lines from their first sample, spread
    // over the whole file: the window may hold a part of the picture (or one
    // band) whose values never cross zero or the top bit. The samples are
    // read with the best one from now on; true if it or its range differs
    // from the one before.
    bool refineEncoding(const LineShape& shape)
    {
        const auto gathered = gatherLines(firstLineAfterText(shape), shape, 64);
        if (!gathered) return false;
        alternatives_ = rankEncodingsAt(gathered->bytes, width_, gathered->lines);
        const EncodingFit& best = alternatives_.front();
        if (best.encoding == encoding_ && !rangeMoved(range_, best.range)) return false;
        encoding_ = best.encoding;
        range_ = best.range;
        readWindow();
        return true;
    }

    // Moves the lines' start a byte or more either way where that reads
    // clearly smoother: samples read a byte askew can change as smoothly in
    // their codes, but not in the order of their bytes. 16-bit samples may
    // change byte order with it. True if the start or the order changed.
    bool settleLineStart(LineShape& shape)
    {
        const int64_t first = firstLineAfterText(shape);
        auto roughnessAt = [&](int64_t shift, const Encoding& encoding) {
            const auto askew = gatherLines(first + shift, shape, 8);
            return askew ? readingRoughness(askew->bytes, encoding, askew->lines) : 1e300;
        };
        int64_t shift = 0;
        if (const auto better = bytesPairedBetter(shape, first)) {
            // A shift and one a sample less read the same pairs; the one
            // whose lines' ends stay clear of a pad or header reads smoother.
            const Encoding& encoding = better->first;
            if (const int64_t ahead = better->second; ahead != 0) {
                const int64_t back = ahead - width_;
                shift = first + back >= 0 && roughnessAt(back, encoding) < roughnessAt(ahead, encoding) ? back : ahead;
            }
            encoding_ = encoding;
            readWindow();
            if (shift == 0) return true;
        } else {
            double least = 0.9 * roughnessAt(0, encoding_);
            // Nearest first: a shift by a whole sample less reads the same.
            for (int64_t distance = 1; distance < width_; ++distance)
                for (int64_t d : {-distance, distance}) {
                    if (first + d < 0) continue;
                    const double roughness = roughnessAt(d, encoding_);
                    if (roughness < least) least = 0.9 * roughness, shift = d;
                }
        }
        if (shift == 0) return false;
        moveLineStart(shape, shift);
        return true;
    }

    void moveLineStart(LineShape& shape, int64_t shift) const
    {
        // The steps are kept per byte from the line's start.
        const int64_t turn = placeInRecord(shift, shape.recordBytes);
        std::rotate(shape.step.begin(), shape.step.begin() + turn, shape.step.end());
        shape.lineStart += shift;
        if (shape.jumpStart) *shape.jumpStart += shift;
        // A line within the window, where the bands are compared.
        if (shape.lineStart < windowStart_) shape.lineStart += shape.recordBytes;
    }

    // 16- and 32-bit samples read in the other byte order, or a byte or
    // more askew in it, pair the upper byte with lower bytes not its own (of
    // its sample or a neighbour's), and may still change smoothly but where
    // a carry reaches the upper byte: where the lower bytes are mostly
    // noise, every reading that keeps the upper byte reads about as smooth.
    // The reading, and its shift in bytes, that carries far more cleanly
    // than the one chosen.
    std::optional<std::pair<Encoding, int64_t>> bytesPairedBetter(const LineShape& shape, int64_t first)
    {
        if (width_ != 2 && width_ != 4) return std::nullopt;
        const auto gathered = gatherLines(first, shape, 16);
        if (!gathered) return std::nullopt;
        Encoding swapped = encoding_;
        swapped.msbFirst = !swapped.msbFirst;
        // All readings over the same bytes: each run's inner samples, a
        // few bytes later read as the same offsets as many bytes further in.
        std::vector<std::vector<int64_t>> inner;
        for (const std::vector<int64_t>& run : gathered->lines)
            if (run.size() >= 4) inner.emplace_back(run.begin() + 1, run.end() - 1);
        const std::span<const uint8_t> bytes(gathered->bytes);
        const double now = carryStep(bytes, encoding_, inner);
        if (now < 0) return std::nullopt;
        std::optional<std::pair<Encoding, int64_t>> better;
        double least = 0.7 * now;
        for (int64_t shift = 0; shift < width_; ++shift) {
            const double carry = carryStep(bytes.subspan(static_cast<size_t>(shift)), swapped, inner);
            if (carry >= 0 && carry < least) least = carry, better = std::pair{swapped, shift};
        }
        return better;
    }

    // Layouts from different record lengths compete on how smoothly their
    // lines read: a multiple of the true length reads lines further apart.
    // False when the search is to stop.
    bool weighByRoughness(Discovery& result)
    {
        std::vector<Candidate>& candidates = result.candidates;
        std::vector<double> roughness;
        for (const Candidate& candidate : candidates) {
            roughness.push_back(layoutRoughness(file_, candidate.layout) + 1e-3);
            if (!step(result, 85 + static_cast<int>(13 * roughness.size() / candidates.size()))) return false;
        }
        if (roughness.empty()) return true;
        const double least = *std::min_element(roughness.begin(), roughness.end());
        for (size_t i = 0; i < candidates.size(); ++i)
            candidates[i].score *= std::sqrt(least / roughness[i]);
        return true;
    }

    static void removeDuplicates(std::vector<Candidate>& candidates)
    {
        std::vector<Candidate> unique;
        for (Candidate& candidate : candidates) {
            const bool seen = std::any_of(unique.begin(), unique.end(),
                                          [&](const Candidate& c) { return c.layout == candidate.layout; });
            if (!seen) unique.push_back(std::move(candidate));
        }
        candidates = std::move(unique);
    }

    // The label's layout goes first when it reads as smoothly as the best
    // found one; a label whose layout reads rough is said to look wrong.
    void placeLabel(Discovery& result, const CandidateLayout& label, const std::string& kind)
    {
        if (label.tileSamples > 0) return placeTiledLabel(result, label, kind);
        const double labelRoughness = layoutRoughness(file_, label);
        double bestRoughness = 10;
        if (!result.candidates.empty()) bestRoughness = layoutRoughness(file_, result.candidates.front().layout);
        auto same = std::find_if(result.candidates.begin(), result.candidates.end(),
                                 [&](const Candidate& c) { return c.layout == label; });
        if (same != result.candidates.end()) result.candidates.erase(same);
        const bool agrees = labelRoughness <= 1.5 * bestRoughness + 0.02 && labelRoughness < 0.5;
        Candidate candidate{label, 0, ""};
        if (agrees) {
            candidate.score = 0.99;
            candidate.evidence = "the " + kind + " label gives this layout, and its lines read as smoothly as the "
                                 "best layout found from the samples.";
            result.candidates.insert(result.candidates.begin(), candidate);
        } else {
            candidate.score = std::clamp(0.2 - labelRoughness / 10, 0.01, 0.2);
            candidate.evidence = "the " + kind + " label gives this layout, but its lines do not read like an image; "
                                 "the label looks wrong.";
            result.candidates.insert(result.candidates.begin() + std::min<ptrdiff_t>(1, std::ssize(result.candidates)),
                                     candidate);
            if (result.verdict.empty())
                result.verdict = "The " + kind + " label's layout does not read like an image; it looks wrong";
        }
    }

    // Tiles break every line of the picture into pieces that no search for
    // lines can join: the label's layout goes first, and the verdict says
    // that the layouts found from the samples read the tiles as lines.
    static void placeTiledLabel(Discovery& result, const CandidateLayout& label, const std::string& kind)
    {
        std::erase_if(result.candidates, [&](const Candidate& c) { return c.layout == label; });
        const std::string tiles = std::to_string(label.tileSamples) + " x " + std::to_string(label.tileLines);
        result.candidates.insert(result.candidates.begin(),
                                 Candidate{label, 0.99,
                                           "the " + kind + " label gives this layout, stored in tiles of " + tiles +
                                               " samples, which the search of the samples for lines cannot find."});
        result.verdict = "The " + kind + " label declares tiles of " + tiles +
                         " samples: the other layouts, found as lines of samples, read the tiles as lines";
    }

    FileSample file_;
    std::string path_;
    DiscoveryProgress progress_;
    std::vector<uint8_t> head_;
    std::vector<uint8_t> window_;
    int64_t textEnd_ = 0;
    int64_t spacesEnd_ = 0;  // of the spaces after the text
    int64_t windowStart_ = 0;
    int32_t width_ = 1;
    int32_t residue_ = 0;
    Encoding encoding_;
    ValueRange range_;
    SampleCodes codes_;
    std::optional<std::pair<Encoding, ValueRange>> windowRead_;  // how codes_ were read
    std::vector<EncodingFit> alternatives_;
    int64_t rankedRecord_ = -1;  // the record length `ranked_` was ranked for
    std::vector<EncodingFit> ranked_;
};

}  // namespace

Discovery discoverLayout(const std::string& path, const DiscoveryProgress& progress)
{
    Search search(path, progress);
    return search.run();
}

}  // namespace skeldra
