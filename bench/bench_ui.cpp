// SPDX-License-Identifier: GPL-3.0-or-later
// Rebuilding the surfaces after a refresh: the popover's home page and the desktop window's
// content, for watchlists of 10 and 50 stocks (drawn off-screen, once shown).
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

void BM_DesktopWindowRebuild(benchmark::State &state)
{
    ShellBench s(int(state.range(0)));
    MainWindow &window = s.shell->ensureMainWindow();
    window.show();
    window.rebuild();
    flushDeletes();
    for (auto _ : state) {
        window.rebuild();
        flushDeletes();
    }
}
BENCHMARK(BM_DesktopWindowRebuild)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace
