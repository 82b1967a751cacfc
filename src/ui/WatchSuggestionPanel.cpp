// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchSuggestionPanel.h"

#include "app/WatchlistManager.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/FlippedView.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/OverlayScrollArea.h"
#include "ui/Toolkit.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr qreal kRowHeight = 24;
constexpr qreal kRowGap = 5;
constexpr qreal kPadding = 6;
constexpr int kRowsInView = 5;
} // namespace

WatchSuggestionPanel::WatchSuggestionPanel(QWidget *parent, const QRectF &frame, qreal anchorY,
                                           WatchlistManager &manager)
    : Panel(parent)
    , m_manager(manager)
    , m_x(frame.x())
    , m_width(frame.width())
    , m_anchorY(anchorY)
{
    Frames::place(this, frame);
    setBackgroundColor(Palette::suggestionBackground);
    setBorderColor(Palette::quietButtonBorder);
    setBorderWidth(1);
    setCornerRadius(9);
    hide();
    connect(&manager, &WatchlistManager::suggestionsChanged, this,
            &WatchSuggestionPanel::renderSuggestions);
}

void WatchSuggestionPanel::setAnchorY(qreal anchorY)
{
    if (anchorY == m_anchorY)
        return;
    m_anchorY = anchorY;
    if (parentWidget() && isVisible())
        Frames::place(this, QRectF(m_x, m_anchorY - 8 - height(), m_width, height()));
}

QString WatchSuggestionPanel::noMatchText()
{
    return u"未找到匹配，可输入6位代码回车添加"_s;
}

qreal WatchSuggestionPanel::panelHeightForCount(int count)
{
    const int visible = count <= 0 ? 1 : std::min(count, kRowsInView);
    return kRowHeight * visible + 2 * kPadding + kRowGap * (visible - 1);
}

qreal WatchSuggestionPanel::listHeightForCount(int count)
{
    return kRowHeight * count + 2 * kPadding + kRowGap * (count - 1);
}

QString WatchSuggestionPanel::marketTextForCandidate(const QJsonObject &candidate)
{
    const QString market = candidate.value(u"market"_s).toString();
    const QString symbol = candidate.value(u"symbol"_s).toString().toUpper();
    return market.isEmpty() ? symbol : market + u" · "_s + symbol;
}

void WatchSuggestionPanel::renderSuggestions()
{
    // The click that led here may come from one of the rows being replaced: let it finish.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        child->hide();
        child->deleteLater();
    }
    m_scroll = nullptr;

    if (!m_manager.shouldShowSuggestions()) {
        hide();
        return;
    }

    const QList<WatchItem> &suggestions = m_manager.suggestions();
    const int count = int(suggestions.size());
    const qreal height = panelHeightForCount(count);
    if (parentWidget())
        Frames::place(this, QRectF(m_x, m_anchorY - 8 - height, m_width, height));
    else
        resize(int(m_width), int(height));

    if (count == 0) {
        Label *line = Toolkit::label(this, QRectF(12, 9, m_width - 24, 18), noMatchText(), 11,
                                     FontWeight::Regular, Palette::secondaryText);
        line->setObjectName(u"noMatch"_s);
    } else {
        m_scroll = new OverlayScrollArea(this);
        m_scroll->setGeometry(rect());
        auto *list = new FlippedView;
        list->resize(int(m_width), int(listHeightForCount(count)));
        const int selected = m_manager.selectedSuggestionIndex();
        FlatButton *selectedRow = nullptr;
        for (int i = 0; i < count; ++i) {
            const WatchItem &candidate = suggestions.at(i);
            auto *row = new FlatButton(list);
            row->setObjectName(u"suggestion"_s);
            Frames::place(row, QRectF(kPadding, kPadding + (kRowHeight + kRowGap) * i, m_width - 12,
                                      kRowHeight));
            const bool isSelected = i == selected;
            row->setBackgroundColor(isSelected ? Palette::suggestionRowSelected
                                               : Palette::suggestionRow);
            row->setBorderColor(isSelected ? Palette::focusIndigo : Palette::suggestionRowBorder);
            row->setBorderWidth(1);
            row->setCornerRadius(7);
            row->setProperty("tag", i);
            row->setIdentifier(candidate.value(u"symbol"_s).toString());
            Toolkit::label(row, QRectF(10, 3, 180, 18), candidate.value(u"name"_s).toString(), 12,
                           FontWeight::Medium, Palette::suggestionTitle);
            Toolkit::label(row, QRectF(m_width - 160, 3, 136, 18),
                           marketTextForCandidate(candidate), 11, FontWeight::Regular,
                           Palette::secondaryText, Qt::AlignRight);
            connect(row, &QAbstractButton::clicked, &m_manager,
                    [manager = &m_manager, i] { manager->selectSuggestion(i); });
            row->show();
            if (isSelected)
                selectedRow = row;
        }
        m_scroll->setDocument(list);
        m_scroll->show();
        if (selectedRow)
            m_scroll->ensureWidgetVisible(selectedRow, 0, int(kPadding));
    }
    raise();
    show();
}
