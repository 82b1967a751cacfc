// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppHarness.h"
#include "FakeStatusItem.h"
#include "UiTestHelpers.h"

#include "ui/AppShell.h"

#include <QUrl>

#include <memory>

namespace TestSupport {

inline const QStringList kFiveSymbols{QStringLiteral("sh600519"), QStringLiteral("sz000001"),
                                      QStringLiteral("hk00700"), QStringLiteral("gb_aapl"),
                                      QStringLiteral("sh600036")};

// The shell of a controller on the simulated market, with a status item that only records
// and a URL opener that only collects, so nothing leaves the test.
struct ShellHarness
{
    explicit ShellHarness(const QStringList &symbols = kFiveSymbols,
                          const AppHarness::OptionsAdjuster &adjustOptions = {})
        : h(symbols, shanghaiTime(2026, 4, 28, 10, 30), nullptr, {}, MarketModel(), adjustOptions)
    {
        auto item = std::make_unique<FakeStatusItem>();
        status = item.get();
        shell = std::make_unique<AppShell>(*h.app, std::move(item));
        shell->setUrlOpener([this](const QUrl &url) {
            opened << url;
            return true;
        });
    }
    AppSettings &settings() { return h.app->settings(); }
    QJsonObject stored() const { return h.app->config().loadSettings(); }

    AppHarness h;
    FakeStatusItem *status = nullptr;
    std::unique_ptr<AppShell> shell;
    QList<QUrl> opened;
};

} // namespace TestSupport
