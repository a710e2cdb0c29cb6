// SPDX-License-Identifier: BSD-3-Clause
#include "window/FindLayout.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <future>
#include <vector>

#include "discover/CandidateForm.h"
#include "discover/Discovery.h"
#include "label/ApplyLabel.h"
#include "output/Preview.h"
#include "port/LongOperation.h"
#include "raster/FormatParameters.h"
#include "ui/HeadlessWindow.h"

namespace skeldra {

namespace {

// The progress bar's steps: the search fills the first ones, the pictures the rest.
constexpr int64_t barSteps = 100;
constexpr int64_t searchSteps = 80;

GrayPicture grayOf(const PreviewPicture& picture)
{
    GrayPicture gray;
    gray.Width = picture.Width;
    gray.Height = picture.Height;
    gray.Gray.reserve(picture.Bgr.size() / 3);
    for (size_t i = 0; i < picture.Bgr.size(); i += 3) gray.Gray.push_back(picture.Bgr[i]);
    return gray;
}

struct Offer {
    std::vector<Candidate> candidates;
    std::vector<CandidateView> views;
    std::string verdict;
};

// Discovery may compute for half a second between two reports of its
// progress, longer than the window may go without answering. It runs on a
// thread of its own, which touches nothing of the window, while this one
// lets the window process its events and passes Abort on.
Discovery searchAnswering(WindowPort& port, ProgressSession& session, const std::string& path)
{
    std::atomic<int64_t> position{0};
    std::atomic<bool> stop{false};
    std::future<Discovery> search = std::async(std::launch::async, [&] {
        return discoverLayout(path, [&](int done, int total) {
            if (total > 0) position = int64_t{done} * searchSteps / total;
            return !stop;
        });
    });
    const auto interval = port.pumpPolicy().maxRunTime;
    do {
        session.setPosition(position);
        port.processEvents();
        stop = port.state.AbortRequested;
    } while (search.wait_for(interval) != std::future_status::ready);
    return search.get();
}

// The search and the pictures, with the bar and Abort; empty after an abort.
std::optional<Offer> searchWithProgress(WindowPort& port)
{
    const std::string path = port.state.InputFilename;
    port.state.AbortRequested = false;
    ProgressSession session(port, barSteps);
    const Discovery discovery = searchAnswering(port, session, path);
    // An Abort during the last pump may come after the search has ended.
    if (discovery.aborted || port.state.AbortRequested) return std::nullopt;
    Offer offer;
    offer.verdict = discovery.verdict;
    const size_t count = std::min(discovery.candidates.size(), candidatesOffered);
    offer.candidates.assign(discovery.candidates.begin(),
                           discovery.candidates.begin() + static_cast<std::ptrdiff_t>(count));
    for (size_t i = 0; i < count; ++i) {
        session.setPosition(searchSteps +
                            static_cast<int64_t>(i) * (barSteps - searchSteps) / static_cast<int64_t>(count));
        port.processEvents();
        if (port.state.AbortRequested) return std::nullopt;
        const Candidate& candidate = offer.candidates[i];
        offer.views.push_back({describeLayout(candidate.layout), scoreText(candidate.score), candidate.evidence,
                               candidatePicture(path, candidate.layout),
                               [path, layout = candidate.layout] { return candidatePicture(path, layout, largerPictureSize); }});
    }
    return offer;
}

void applyCandidate(WindowPort& port, const Offer& offer, size_t chosen)
{
    const Candidate& candidate = offer.candidates.at(chosen);
    const std::string name = "candidate " + std::to_string(chosen + 1);
    ApplyLayout(port, formLayout(candidate.layout, name),
                {"Layout from Find Layout, " + name + " of " + std::to_string(offer.candidates.size()) +
                     ", score " + offer.views[chosen].score + " (a guess: check it with Preview)",
                 "Evidence: " + candidate.evidence});
    // The band group shows the boxes of the structure chosen, in every window.
    ComputeBandStrides(port);
}

}  // namespace

GrayPicture candidatePicture(const std::string& path, const CandidateLayout& layout, int32_t size)
{
    HeadlessWindow scratch;
    scratch.state.InputFilename = path;
    try {
        ApplyLayout(scratch, formLayout(layout, "candidate"), {});
        scratch.check(Choice::AutoStretchPreview);
        scratch.setBoxText(Box::MaxPreviewDimension, std::to_string(size));
        RenderPreview(scratch);
    } catch (const std::exception&) {
        // A layout that reads past the end of the file, or one the window
        // cannot express, is still worth offering; it only has no picture.
        return {};
    }
    return scratch.preview() ? grayOf(*scratch.preview()) : GrayPicture{};
}

void FindLayout(WindowPort& port)
{
    const std::optional<Offer> offer = searchWithProgress(port);
    port.appendLog("Find Layout: " + port.state.InputFilename);
    if (!offer) {
        port.appendLog("Find Layout stopped; nothing changed");
        port.appendLog("");
        return;
    }
    if (!offer->verdict.empty()) port.appendLog(offer->verdict);
    if (offer->candidates.empty()) {
        port.appendLog("No layout to offer; nothing changed");
        port.appendLog("");
        return;
    }
    const std::optional<size_t> chosen = port.chooseCandidate(offer->verdict, offer->views);
    if (!chosen) {
        port.appendLog("No candidate chosen; nothing changed");
        port.appendLog("");
        return;
    }
    applyCandidate(port, *offer, *chosen);
}

}  // namespace skeldra
