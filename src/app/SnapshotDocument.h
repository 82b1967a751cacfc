// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>

class KestrumApp;
struct Quote;

// Everything Kestrum knows and concludes about its watchlist at one moment, as one JSON
// document: every quote with its numbers, sentences, daily features, board tags,
// background, predicates, statuses, hints, key levels and snapshot, keyed by the names of
// the operations that produce them, plus the inputs they were computed from. This is what
// `kestrum --once --json` prints for scripts.
namespace SnapshotDocument {

QJsonObject build(const KestrumApp &app);
QJsonObject quoteObject(const KestrumApp &app, const Quote &quote);
QJsonObject quoteFields(const Quote &quote);

} // namespace SnapshotDocument
