// SPDX-License-Identifier: BSD-3-Clause
// How long the desktop window goes without answering during a long
// operation: a 5 ms timer ticks while the statistics and a conversion run on
// a 100 MB file (file A of compare.sh), and the largest gap between two
// ticks is reported. A benchmark, not a test: the figure depends on the
// machine and its load.
//
//   QT_QPA_PLATFORM=offscreen bench_qt_responsiveness_bench
// The file is $SKELDRA_BENCH_DIR/A.IMG (or /tmp/skeldra-bench/A.IMG), made
// by bench/compare.sh; without it a file of the same size is written there.
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "gui/SkeldraForm.h"

using skeldra::Box;

namespace {

constexpr int samples = 5056;
constexpr int lines = 20000;

QString benchFile()
{
    const QByteArray folder = qEnvironmentVariableIsSet("SKELDRA_BENCH_DIR") ? qgetenv("SKELDRA_BENCH_DIR")
                                                                            : QByteArray("/tmp/skeldra-bench");
    return QString::fromLocal8Bit(folder) + "/A.IMG";
}

// The file A layout: one record of label, then 8-bit samples.
bool ensureFile(const QString& path)
{
    const qint64 size = qint64{samples} * (lines + 1);
    if (QFile(path).size() == size) return true;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QByteArray line(samples, 0);
    uint32_t state = 12345;
    for (int l = 0; l <= lines; ++l) {
        for (char& b : line) b = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
        if (file.write(line) != line.size()) return false;
    }
    return true;
}

}  // namespace

class ResponsivenessBench : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        path = benchFile();
        QVERIFY2(ensureFile(path), qPrintable("cannot write " + path));
        QVERIFY(output.isValid());
    }

    void init()
    {
        form = std::make_unique<TSkeldra_Form>();
        form->modal.message = [](const std::string& text) { std::fprintf(stderr, "message: %s\n", text.c_str()); };
        form->modal.error = [](const std::string& text) { std::fprintf(stderr, "error: %s\n", text.c_str()); };
        form->modal.saveFile = [this](const std::string&) { return output.filePath("A.bmp").toStdString(); };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->state.InputFilename = path.toStdString();
        const std::vector<std::pair<Box, std::string>> layout = {
            {Box::HeaderBytes, std::to_string(samples)}, {Box::NumSamples, std::to_string(samples)},
            {Box::BitsPerSample, "8"}, {Box::StartLine, "1"}, {Box::EndLine, std::to_string(lines)},
            {Box::StartSample, "1"}, {Box::EndSample, std::to_string(samples)}, {Box::MinData, "0"},
            {Box::MaxData, "255"}, {Box::Gamma, "0.5"}};
        for (const auto& [box, text] : layout) form->setBoxText(box, text);
    }
    void cleanup() { form.reset(); }

    void statistics() { report("area statistics", [this] { form->Histogram_ButtonClick(); }); }
    void bmpConversion() { report("BMP conversion, gamma 0.5", [this] { form->ConvertFile_ButtonClick(); }); }

private:
    template <typename Operation>
    void report(const char* name, const Operation& operation)
    {
        QElapsedTimer clock;
        qint64 lastTick = 0, longestGap = 0, ticks = 0;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestGap = std::max(longestGap, now - lastTick);
            lastTick = now;
            ++ticks;
        });
        timer.start(5);
        clock.start();
        // The operation runs inside the event loop, as a click would run it.
        QTimer::singleShot(0, form.get(), operation);
        QTest::qWait(20);  // the first ticks, then the operation
        while (form->logic().operationRunning()) QTest::qWait(5);
        const qint64 total = clock.nsecsElapsed();
        timer.stop();
        std::printf("%-28s %8.1f ms  longest gap between 5 ms ticks: %6.2f ms  (%lld ticks)\n", name, total / 1e6,
                    longestGap / 1e6, static_cast<long long>(ticks));
        std::fflush(stdout);
        QVERIFY2(longestGap < 20'000'000, "the window went more than 20 ms without answering");
    }

    QString path;
    QTemporaryDir output;
    std::unique_ptr<TSkeldra_Form> form;
};

QTEST_MAIN(ResponsivenessBench)
#include "responsiveness_bench.moc"
