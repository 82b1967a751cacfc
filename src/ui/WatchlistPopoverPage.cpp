// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchlistPopoverPage.h"

#include "app/WatchlistManager.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Label.h"
#include "ui/Toolkit.h"
#include "ui/WatchInputField.h"
#include "ui/WatchSuggestionPanel.h"
#include "ui/WatchlistRowsView.h"

#include <QPalette>

using namespace Qt::StringLiterals;

WatchlistPopoverPage::WatchlistPopoverPage(WatchlistManager &manager, QWidget *parent)
    : QWidget(parent)
    , m_manager(manager)
{
    setObjectName(u"watchlistManagerPage"_s);
    setFixedSize(kWidth, kHeight);
    Toolkit::addPageBackground(this);

    m_back = Toolkit::textButton(this, u"‹ 返回"_s, QRectF(14, 388, 58, 24));
    m_back->setAccessibleName(u"返回"_s);
    connect(m_back, &QAbstractButton::clicked, this, &WatchlistPopoverPage::backRequested);
    Toolkit::label(this, QRectF(82, 391, 160, 20), u"管理自选"_s, 14, FontWeight::Semibold,
                   Palette::titleText);
    Toolkit::label(this, QRectF(236, 392, 126, 17), u"名称或代码添加"_s, 11, FontWeight::Regular,
                   Palette::secondaryText, Qt::AlignRight);

    Toolkit::panelWithFrame(this, QRectF(14, 342, 280, 36), Palette::inputWell,
                            Palette::watchInputBorder, 9);
    const QRectF inputFrame(28, 350, 252, 20);
    m_input = new WatchInputField(this, inputFrame, manager);
    m_add = Toolkit::footerButton(this, u"添加"_s, QRectF(302, 344, 64, 32));
    connect(m_add, &QAbstractButton::clicked, &manager, &WatchlistManager::addWatchItem);

    // Only news about the file itself is worth a line here (a failed save, an unreadable
    // file): every other outcome shows in the list itself.
    m_fileNotice = Toolkit::label(this, QRectF(16, 322, 348, 15), QString(), 10, FontWeight::Medium,
                                  Palette::error);
    m_fileNotice->setObjectName(u"fileNotice"_s);
    m_fileNotice->setTruncatesAtEnd(true);
    updateFileNoticeLine();
    connect(&manager, &WatchlistManager::feedbackChanged, this,
            &WatchlistPopoverPage::updateFileNoticeLine);

    m_rows = new WatchlistRowsView(this, QRectF(14, 14, 352, 302), manager);
    m_suggestions =
        new WatchSuggestionPanel(this, QRectF(14, 194, 352, 152), inputFrame.y(), manager);
    m_suggestions->raise();
    placeSuggestions();

    // Suggestions start empty on a new page and come back for text the user had typed.
    manager.restoreSuggestionsAfterRebuild();
}

void WatchlistPopoverPage::updateFileNoticeLine()
{
    const QString notice = m_manager.fileNotice();
    m_fileNotice->setText(notice);
    m_fileNotice->setVisible(!notice.isEmpty());
    placeSuggestions();
}

void WatchlistPopoverPage::placeSuggestions()
{
    // Below the input, or below the file line while it shows, so both stay readable.
    if (m_suggestions)
        m_suggestions->setAnchorY(m_fileNotice->isVisibleTo(this) ? 322 + 4 : 350);
}
