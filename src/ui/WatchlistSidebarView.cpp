// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchlistSidebarView.h"

#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/Toolkit.h"
#include "ui/WatchInputField.h"
#include "ui/WatchSuggestionPanel.h"
#include "ui/WatchlistRowsView.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QColor WatchlistSidebarView::colorForTone(WatchFeedbackTone tone)
{
    switch (tone) {
    case WatchFeedbackTone::Success:
        return Palette::success;
    case WatchFeedbackTone::Warning:
        return Palette::warning;
    case WatchFeedbackTone::Error:
        return Palette::error;
    case WatchFeedbackTone::Muted:
        break;
    }
    return Palette::quietText;
}

WatchlistSidebarView::WatchlistSidebarView(QWidget *parent, const QRectF &frame,
                                           WatchlistManager &manager)
    : QWidget(parent)
    , m_manager(manager)
{
    setObjectName(u"watchlistSidebar"_s);
    Frames::place(this, frame);
    const qreal W = frame.width();
    const qreal H = frame.height();
    // Built at this size in drawing order; place() moves everything for another height.
    m_background = Toolkit::panelWithFrame(this, QRectF(0, 0, W, H), Palette::windowBackground,
                                           Palette::sidebarBorder, 8);
    m_title = Toolkit::label(this, QRectF(14, H - 34, 104, 18), u"管理自选"_s, 14,
                             FontWeight::Semibold, Palette::titleText);
    m_hint = Toolkit::label(this, QRectF(118, H - 33, W - 132, 15), u"名称或代码添加"_s, 10,
                            FontWeight::Regular, Palette::secondaryText, Qt::AlignRight);
    m_inputBox = Toolkit::panelWithFrame(this, QRectF(12, H - 84, W - 76, 34), Palette::inputWell,
                                         Palette::watchInputBorder, 9);
    m_input = new WatchInputField(this, QRectF(24, H - 77, W - 104, 20), manager);
    m_add = Toolkit::footerButton(this, u"添加"_s, QRectF(W - 58, H - 82, 46, 30));
    connect(m_add, &QAbstractButton::clicked, &manager, &WatchlistManager::addWatchItem);

    const qreal feedbackY = H - 107;
    m_feedback = Toolkit::label(this, QRectF(14, feedbackY, W - 28, 15), QString(), 10,
                                FontWeight::Medium, colorForTone(manager.feedbackTone()));
    m_feedback->setObjectName(u"feedback"_s);
    m_feedback->setTruncatesAtEnd(true);
    updateFeedbackLine();
    connect(&manager, &WatchlistManager::feedbackChanged, this,
            &WatchlistSidebarView::updateFeedbackLine);

    m_rows =
        new WatchlistRowsView(this, QRectF(12, 12, W - 24, std::max<qreal>(H - 127, 96)), manager);
    // The suggestions hang below the outcome line, so a failed add's message stays readable
    // while "未找到匹配" shows.
    m_suggestions =
        new WatchSuggestionPanel(this, QRectF(12, H - 250, W - 24, 142), feedbackY + 4, manager);
    m_suggestions->raise();
    show();

    manager.restoreSuggestionsAfterRebuild();
}

void WatchlistSidebarView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

void WatchlistSidebarView::place()
{
    if (!m_suggestions)
        return; // still being built
    const qreal W = width();
    const qreal H = height();
    Frames::place(m_background, QRectF(0, 0, W, H));
    Frames::place(m_title, QRectF(14, H - 34, 104, 18));
    Frames::place(m_hint, QRectF(118, H - 33, W - 132, 15));
    Frames::place(m_inputBox, QRectF(12, H - 84, W - 76, 34));
    Frames::place(m_input, QRectF(24, H - 77, W - 104, 20));
    Frames::place(m_add, QRectF(W - 58, H - 82, 46, 30));
    Frames::place(m_feedback, QRectF(14, H - 107, W - 28, 15));
    m_rows->setFrame(QRectF(12, 12, W - 24, std::max<qreal>(H - 127, 96)));
    m_suggestions->setAnchorY(H - 107 + 4);
}

void WatchlistSidebarView::updateFeedbackLine()
{
    QString message = m_manager.feedbackMessage();
    WatchFeedbackTone tone = m_manager.feedbackTone();
    if (message.isEmpty()) {
        message = m_manager.fileNotice();
        tone = message.isEmpty() ? WatchFeedbackTone::Muted : WatchFeedbackTone::Warning;
    }
    m_feedback->setText(message.isEmpty() ? WatchlistManager::defaultHint() : message);
    m_feedback->setColor(colorForTone(tone));
}
