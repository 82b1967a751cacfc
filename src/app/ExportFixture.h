// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Quote.h"

#include <QList>
#include <QString>

class KestrumApp;

// The five stocks of 2026-04-28 15:00 that every exported image shows, with their
// intraday series and commentary, independent of the network and of the user's files.
namespace ExportFixture {

QList<Quote> quotes();
QString commentaryForSymbol(const QString &symbol);
// Writes the fixture into a controller whose store is on a throw-away directory.
void prepareExportFixtureData(KestrumApp &app);

} // namespace ExportFixture
