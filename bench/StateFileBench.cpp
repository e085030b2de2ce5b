// Reading and writing a window's whole state in documents that carry many lines we do not know
// (a large document someone else's tool appended to): both must cost one pass over the file,
// so the fitted complexity is O(N) in the number of lines, not O(N) per key.
//
//     build/bench/quarbel_bench --benchmark_filter=WindowState

#include "document/DocumentState.h"
#include "document/IniFile.h"
#include "document/SharedControls.h"
#include "document/StateFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>

namespace {

using namespace quarbel::document;

struct PlainControls final : SharedControls {
    std::array<bool, MenuCount> menus{};
    std::array<bool, ToolbarButtonCount + 1> buttons{};
    std::array<bool, SliderCaptionCount> captions{};
    std::array<bool, SliderCount> enabled{};
    std::array<int, SliderCount> values{70, 20, 30};

    bool menuEnabled(Menu m) const override { return menus[static_cast<std::size_t>(m)]; }
    void setMenuEnabled(Menu m, bool e) override { menus[static_cast<std::size_t>(m)] = e; }
    bool buttonEnabled(int i) const override { return buttons[static_cast<std::size_t>(i)]; }
    void setButtonEnabled(int i, bool e) override { buttons[static_cast<std::size_t>(i)] = e; }
    bool buttonMenuEnabled(int, int) const override { return true; }
    void setButtonMenuEnabled(int, int, bool) override {}
    bool captionEnabled(int i) const override { return captions[static_cast<std::size_t>(i)]; }
    void setCaptionEnabled(int i, bool e) override { captions[static_cast<std::size_t>(i)] = e; }
    bool sliderEnabled(Slider s) const override { return enabled[static_cast<std::size_t>(s)]; }
    void setSliderEnabled(Slider s, bool e) override { enabled[static_cast<std::size_t>(s)] = e; }
    int sliderValue(Slider s) const override { return values[static_cast<std::size_t>(s)]; }
    void setSliderValue(Slider s, int v) override { values[static_cast<std::size_t>(s)] = v; }
    QString convStartCaption() const override { return {}; }
    void setConvStartCaption(const QString&) override {}
};

// A document whose state section holds `lines` foreign keys before the window's own keys.
QString writeDocument(const QTemporaryDir& dir, qint64 lines) {
    const QString path = dir.filePath(QStringLiteral("big.qbd"));
    QByteArray bytes = "[Quarbel Ver.2]\r\n";
    bytes.reserve(lines * 12 + 4096);
    for (qint64 i = 0; i < lines; ++i) {
        bytes += "x" + QByteArray::number(i) + "=1\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    file.close();
    DocumentFields state;
    state.IniPath = path;
    PlainControls controls;
    SaveWindowState(state, controls);
    return path;
}

void BM_RestoreWindowState(benchmark::State& run) {
    QTemporaryDir dir;
    DocumentFields state;
    state.IniPath = writeDocument(dir, run.range(0));
    PlainControls controls;
    for (auto _ : run) {
        benchmark::DoNotOptimize(RestoreWindowState(state, controls));
    }
    run.SetComplexityN(run.range(0));
}

void BM_SaveWindowState(benchmark::State& run) {
    QTemporaryDir dir;
    DocumentFields state;
    state.IniPath = writeDocument(dir, run.range(0));
    PlainControls controls;
    for (auto _ : run) {
        controls.values[0] = controls.values[0] == 70 ? 71 : 70; // a real change each time
        benchmark::DoNotOptimize(SaveWindowState(state, controls));
    }
    run.SetComplexityN(run.range(0));
}

BENCHMARK(BM_RestoreWindowState)
    ->RangeMultiplier(4)
    ->Range(1 << 12, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SaveWindowState)
    ->RangeMultiplier(4)
    ->Range(1 << 12, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
