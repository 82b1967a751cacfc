// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

class WatchlistManager;

// The watchlist input: a bare text field (no bezel, background or focus ring) whose edits go
// to the manager and whose up, down and Enter keys move the suggestion selection and add.
// Other keys (Escape among them) are the field's and its window's as usual.
class WatchInputField : public QLineEdit
{
    Q_OBJECT
public:
    // Placed at `frame` (y up) in `parent`, showing the manager's current text.
    WatchInputField(QWidget *parent, const QRectF &frame, WatchlistManager &manager);

    static QString placeholder();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    WatchlistManager &m_manager;
};
