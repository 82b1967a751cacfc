// SPDX-License-Identifier: GPL-3.0-or-later
// The one entry point of kestrum_bench; every other bench/*.cpp only registers benchmarks.
// The widget benchmarks need an application object; without a display they draw off-screen.
#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the user's own files or services.
    qputenv("KESTRUM_MARKET_URL", "http://127.0.0.1:9");
    qputenv("KESTRUM_UPDATE_MANIFEST_URL", "http://127.0.0.1:9/update/manifest.json");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
