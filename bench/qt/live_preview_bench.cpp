// SPDX-License-Identifier: BSD-3-Clause
// How long a Live re-render takes: the preview of a 500 x 500 picture of a
// 1.07 GB 16-bit file (23168 x 23168 samples) drawn again after the width
// was stepped, as the timer of the Live box runs it on the event thread; and
// the time from the last key to the new picture, which adds the pause the
// Live box waits for. A benchmark, not a test: the figures depend on the
// machine, its load and whether the file is in the page cache.
//
//   QT_QPA_PLATFORM=offscreen bench_qt_live_preview_bench
// The file is skeldra-live-preview.img in $SKELDRA_BENCH_DIR (or in the
// temporary folder), written first when it is missing. The figures are the wall time and the
// CPU time of the event thread, which a loaded machine does not inflate.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

#include "gui/ImagePreviewForm.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"
#include "support/RandomFile.h"

using skeldra::Box;
using skeldra::Choice;

namespace {

constexpr int32_t samples = 23168, lines = 23168;

std::string bigFile()
{
    return skeldra::bench::randomFile("skeldra-live-preview.img", static_cast<uintmax_t>(samples) * lines * 2);
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

class LivePreviewBench : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        form = std::make_unique<TSkeldra_Form>();
        preview = std::make_unique<TImagePreview_Form>();
        form->attachPreview(preview.get());
        form->modal.message = [](const std::string& text) { std::fprintf(stderr, "message: %s\n", text.c_str()); };
        form->modal.error = [](const std::string& text) { std::fprintf(stderr, "error: %s\n", text.c_str()); };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->state.InputFilename = bigFile();
        const std::vector<std::pair<Box, std::string>> layout = {
            {Box::HeaderBytes, "0"}, {Box::NumSamples, std::to_string(samples)}, {Box::BitsPerSample, "16"},
            {Box::EndLine, std::to_string(lines)}, {Box::EndSample, std::to_string(samples)},
            {Box::MinData, "0"}, {Box::MaxData, "65535"}, {Box::MaxPreviewDimension, "500"}};
        for (const auto& [box, text] : layout) form->setBoxText(box, text);
        form->Preview_ButtonClick();
        QCOMPARE(preview->size(), QSize(500, 500));
    }
    void cleanup()
    {
        form.reset();
        preview.reset();
    }

    void plain() { report("plain"); }
    void autoStretch()
    {
        form->choiceButton(Choice::AutoStretchPreview)->setChecked(true);
        report("Auto");
    }

private:
    void report(const char* mode)
    {
        // The re-render alone, the width stepped down and up between runs.
        std::vector<double> renders, rendersCpu;
        for (int run = 0; run < 21; ++run) {
            form->setBoxText(Box::NumSamples, std::to_string(samples - run % 2));
            QElapsedTimer clock;
            clock.start();
            const double cpuStart = threadCpuMs();
            form->logic().LivePreview();
            rendersCpu.push_back(threadCpuMs() - cpuStart);
            renders.push_back(clock.nsecsElapsed() / 1e6);
            QCOMPARE(preview->source().Layout.NumSamples, samples - run % 2);
        }

        // From the last key to the new picture, through the Live box's pause.
        form->findChild<QAbstractButton*>("LivePreview_CheckBox")->setChecked(true);
        QTest::qWait(500);
        TNumericEdit* width = form->box(Box::NumSamples)->NumericEdit;
        std::vector<double> keyToPicture;
        for (int run = 0; run < 5; ++run) {
            width->end(false);
            const int before = preview->source().Layout.NumSamples;
            QElapsedTimer clock;
            clock.start();
            if (run % 2 == 0)
                QTest::keyClick(width, Qt::Key_Backspace);  // 23168 -> 2316: a different width
            else
                QTest::keyClick(width, Qt::Key_8);
            while (preview->source().Layout.NumSamples == before && clock.elapsed() < 5000) QTest::qWait(1);
            keyToPicture.push_back(clock.nsecsElapsed() / 1e6);
        }
        std::printf("Live re-render, %-5s 500 x 500 of 1.07 GB: median %6.1f ms (CPU %5.1f ms), longest %6.1f ms "
                    "(21 runs); last key to picture: median %6.1f ms, longest %6.1f ms\n",
                    mode, median(renders), median(rendersCpu), *std::max_element(renders.begin(), renders.end()),
                    median(keyToPicture), *std::max_element(keyToPicture.begin(), keyToPicture.end()));
        std::fflush(stdout);
    }

    std::unique_ptr<TSkeldra_Form> form;
    std::unique_ptr<TImagePreview_Form> preview;
};

QTEST_MAIN(LivePreviewBench)
#include "live_preview_bench.moc"
