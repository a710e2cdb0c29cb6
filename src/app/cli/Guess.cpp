// SPDX-License-Identifier: BSD-3-Clause
#include "Guess.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "FileRun.h"
#include "base/Errors.h"
#include "discover/CandidateForm.h"
#include "discover/Discovery.h"

namespace skeldra {

namespace {

std::string joined(const std::vector<std::string>& tokens)
{
    std::string text;
    for (const std::string& token : tokens) text += (text.empty() ? "" : " ") + token;
    return text;
}

// Each candidate names its file, so that the arrays of a batch stay apart.
std::string candidatesJson(const std::string& inputFile, const std::vector<Candidate>& candidates)
{
    nlohmann::json array = nlohmann::json::array();
    for (const Candidate& candidate : candidates) {
        nlohmann::json entry = {{"score", candidate.score},
                                {"evidence", candidate.evidence},
                                {"options", layoutOptions(candidate.layout)}};
        putFileName(entry, inputFile);
        array.push_back(std::move(entry));
    }
    return array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

int runGuess(const std::string& inputFile, const ParsedArguments& args, const std::string& messagePrefix,
             OutputStream& out, OutputStream& err)
{
    const std::string& top = args.top;
    int count = 0;
    const auto [end, error] = std::from_chars(top.data(), top.data() + top.size(), count);
    if (error != std::errc() || end != top.data() + top.size() || count < 1) {
        err.line("skeldra-cli: --top needs a whole number of at least 1, not " + top);
        return status::Usage;
    }
    Discovery discovery;
    try {
        discovery = discoverLayout(inputFile);
        if (static_cast<int>(discovery.candidates.size()) > count)
            discovery.candidates.resize(static_cast<size_t>(count));
        if (args.json) {
            out.line(candidatesJson(inputFile, discovery.candidates));
        } else {
            int rank = 0;
            for (const Candidate& candidate : discovery.candidates)
                out.line(std::to_string(++rank) + ". " + scoreText(candidate.score) + "  " +
                         joined(layoutOptions(candidate.layout)) + "\n   " + candidate.evidence);
        }
    } catch (const std::bad_alloc&) {
        err.line(messagePrefix + "error: " + errorBoxText("Out of memory"));
        return status::Error;
    } catch (const std::exception& failure) {
        err.line(messagePrefix + "error: " + errorBoxText(failure.what()));
        return status::Error;
    }
    if (!discovery.verdict.empty()) err.line(messagePrefix + discovery.verdict);
    out.flush();
    if (out.error() != 0) {
        err.line(messagePrefix + "error: " + errorBoxText(ioErrorTextFromErrno(out.error())));
        return status::Error;
    }
    return discovery.candidates.empty() ? status::Warnings : status::Done;
}

}  // namespace skeldra
