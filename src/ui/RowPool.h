// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>

namespace RowPool {

// Brings `rows` to `count` widgets for a list updated in place: surplus rows at the end leave
// at once and are deleted later (a click on one may still be being delivered), missing ones
// come from `make`. The rows that stay keep their widgets; the caller places and fills all.
template<typename Row, typename Make>
void resize(QList<Row *> &rows, qsizetype count, Make make)
{
    while (rows.size() > count) {
        Row *row = rows.takeLast();
        row->hide();
        row->setParent(nullptr);
        row->deleteLater();
    }
    while (rows.size() < count)
        rows.append(make());
}

} // namespace RowPool
