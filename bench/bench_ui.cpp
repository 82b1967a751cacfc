// SPDX-License-Identifier: GPL-3.0-or-later
// The surfaces after a refresh and on a resize: the popover's home page and the desktop
// window's content, for watchlists of 10 and 50 stocks (drawn off-screen, once shown). Each
// refresh follows a real answer step, so prices, flashes and the order of the rows change.
#include "BenchApp.h"
#include "FakeStatusItem.h"

#include "ui/AppShell.h"
#include "ui/HomePage.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QEvent>

#include <benchmark/benchmark.h>

namespace {

struct ShellBench
{
    explicit ShellBench(int count)
        : bench(count, 240)
    {
        TestSupport::waitFor([&] { return bench.app().http().requestsInFlight() == 0; }, 15000);
        bench.finishNextRefresh();
        bench.finishNextRefresh(); // previous and current snapshots, as after any refresh
        shell = std::make_unique<AppShell>(bench.app(), std::make_unique<FakeStatusItem>());
    }
    BenchApp bench;
    std::unique_ptr<AppShell> shell;
};

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Building the page anew, as opening the popover does.
void BM_PopoverHomePage(benchmark::State &state)
{
    ShellBench s(int(state.range(0)));
    for (auto _ : state) {
        HomePage *page = s.shell->makeHomePage();
        benchmark::DoNotOptimize(page);
        delete page;
    }
}
BENCHMARK(BM_PopoverHomePage)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

// The shown page after a refresh: its data, then the update in place. A real answer step
// (not timed) comes before each, so prices, flashes and the rows' order change.
void BM_PopoverHomePageRefresh(benchmark::State &state)
{
    ShellBench s(int(state.range(0)));
    const std::unique_ptr<HomePage> page(s.shell->makeHomePage());
    page->show();
    for (auto _ : state) {
        state.PauseTiming();
        s.bench.finishNextRefresh();
        state.ResumeTiming();
        page->setData(s.shell->homePageData());
        flushDeletes();
    }
}
BENCHMARK(BM_PopoverHomePageRefresh)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

// The shown desktop window after a refresh (untimed answer step as above): its data, then
// the update in place, with the selection's chart and cards.
void BM_DesktopWindowRefresh(benchmark::State &state)
{
    ShellBench s(int(state.range(0)));
    MainWindow &window = s.shell->ensureMainWindow();
    window.show();
    window.rebuild();
    flushDeletes();
    for (auto _ : state) {
        state.PauseTiming();
        s.bench.finishNextRefresh();
        state.ResumeTiming();
        window.rebuild();
        flushDeletes();
    }
}
BENCHMARK(BM_DesktopWindowRefresh)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

// One step of dragging the window's corner: the content taken to a size 20 px larger or
// smaller in each direction, as the window does once the drag rests.
void BM_DesktopWindowResize(benchmark::State &state)
{
    ShellBench s(int(state.range(0)));
    MainWindow &window = s.shell->ensureMainWindow();
    window.show();
    const QSize base = window.size();
    window.rebuild();
    flushDeletes();
    bool flip = false;
    for (auto _ : state) {
        window.resize(base + ((flip = !flip) ? QSize(20, 20) : QSize()));
        QCoreApplication::sendPostedEvents();
        window.rebuild();
        flushDeletes();
    }
}
BENCHMARK(BM_DesktopWindowResize)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace
