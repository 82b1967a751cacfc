// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Panel.h"

#include <QJsonObject>
#include <QRectF>

class OverlayScrollArea;
class WatchlistManager;

// The floating list of suggestions under the watchlist input, shared by the popover page and
// the desktop sidebar. It redraws itself from the manager whenever the suggestions or the
// selection change: hidden while there is nothing typed, one hint line when nothing matches,
// otherwise up to five rows in view with the rest scrolled and the selection kept in view.
class WatchSuggestionPanel : public Panel
{
    Q_OBJECT
public:
    // `frame` gives the panel's x and width (y up in `parent`); `anchorY` is the bottom edge
    // of what the panel hangs below (the input field, or the message line under it), and the
    // panel's top sits 8 pt below it.
    WatchSuggestionPanel(QWidget *parent, const QRectF &frame, qreal anchorY,
                         WatchlistManager &manager);
    // Hangs the panel below another edge (a message line that appeared or went).
    void setAnchorY(qreal anchorY);

    // Rebuilds the content from the manager's state.
    void renderSuggestions();

    static QString noMatchText();
    // Height of the panel for `count` suggestions (at most five rows in view).
    static qreal panelHeightForCount(int count);
    // Height of the scrolled list of `count` suggestions.
    static qreal listHeightForCount(int count);
    // "沪A · SH600519", or the upper-case symbol alone without a market.
    static QString marketTextForCandidate(const QJsonObject &candidate);

    // The scroll area of the current rows (nullptr while hidden or without suggestions).
    OverlayScrollArea *scrollArea() const { return m_scroll; }

private:
    WatchlistManager &m_manager;
    qreal m_x;
    qreal m_width;
    qreal m_anchorY;
    OverlayScrollArea *m_scroll = nullptr;
};
