// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/HomePageData.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

class FlatButton;
class HintIconButton;
class HoldingTotalsPanel;
class HoverButton;
class Label;
class Panel;
class QScrollArea;

// The popover's home page: header with the market status pill and the more button, the
// first-launch hint, the summary panel with its breadth bar, the positions' totals when the
// user holds any, and the watchlist rows.
class HomePage : public QWidget
{
    Q_OBJECT
public:
    explicit HomePage(const HomePageData &data, QWidget *parent = nullptr);

    // Shows `data` in the existing widgets; rows are added or removed only when the list's
    // length changes. False, and nothing changed, when the first-launch hint came or went or
    // the totals panel came, went or changed its number of lines: the page then has another
    // height and is built anew.
    bool setData(const HomePageData &data);

    static constexpr int kWidth = 380;
    static constexpr qreal kListHeight = 274;
    static constexpr qreal kRowWidth = 352;
    static constexpr qreal kRowHeight = 46;
    static constexpr qreal kRowPitch = 52;
    static constexpr qreal kBarWidth = 134;

    // 430, or 484 while the first-launch hint shows; taller by the totals panel's room.
    static int pageHeight(bool firstLaunchHintVisible, qreal totalsRoom = 0);

    // The summary of `quotes` (count, breadth bar, rises and falls, mean change) at `frame`
    // (352 x 46 here, 330 x 46 in the desktop window).
    static Panel *summaryPanel(QWidget *parent, const QRectF &frame, const QList<Quote> &quotes);
    // Shows `quotes` in a panel `summaryPanel` built.
    static void updateSummaryPanel(Panel *panel, const QList<Quote> &quotes);

    // Widths of the breadth bar's rise, flat and fall segments (0: segment not drawn).
    struct BreadthSegments
    {
        qreal rise = 0;
        qreal flat = 0;
        qreal fall = 0;
        bool operator==(const BreadthSegments &) const = default;
    };
    static BreadthSegments breadthSegments(int up, int down, int count);

    // The row document's height for `rowCount` rows (an empty list counts as one), whether it
    // scrolls, and the list's width then.
    static qreal rowDocumentHeight(int rowCount);
    static bool listScrolls(int rowCount);
    static qreal listWidth(int rowCount);

    // The decision tag: "不追高" reads "不追"; width from the text width at 9 medium.
    static QString decisionTagText(ActionStatus buyStatus);
    static int decisionTagWidthForTextWidth(qreal textWidth);
    static int decisionTagWidth(const QString &tagText);
    struct TagColors
    {
        QString background;
        QString border;
        QString text;
        bool operator==(const TagColors &) const = default;
    };
    static TagColors decisionTagColors(ActionStatus buyStatus);

    // A row: a hover button that opens the quote, with name, symbol, tag, price and change.
    HoverButton *quoteRow(QWidget *parent, const QRectF &frame, const HomeRow &row);
    QList<HoverButton *> rows() const { return m_rows; }

    QScrollArea *listArea() const { return m_listArea; }
    QWidget *listDocument() const { return m_document; }
    FlatButton *moreButton() const { return m_moreButton; }
    FlatButton *manageButton() const { return m_manageButton; }
    HoldingTotalsPanel *holdingTotalsPanel() const { return m_totals; }

Q_SIGNALS:
    void quoteRequested(const QString &symbol);
    void manageRequested();
    void moreMenuRequested(QWidget *button);
    void hintRequested(HintIconButton *button);
    void ratesRequested();

private:
    void buildHeader(qreal y0);
    void buildFirstLaunchHint(qreal y0);
    void buildList(qreal y0);
    void setMarketStatus(const MarketStatus &status);
    void setFirstLaunchHint(bool panelItemPresent);
    void setRows(const QList<HomeRow> &rows);
    void updateQuoteRow(HoverButton *button, const HomeRow &row);

    bool m_hintVisible = false;
    qreal m_totalsRoom = 0;
    qreal m_headerY = 0;
    QHash<QString, int> m_priceFlash;
    MarketStatus m_marketStatus;
    Panel *m_marketPill = nullptr;
    Label *m_hintTitle = nullptr;
    Label *m_hintText = nullptr;
    Panel *m_summary = nullptr;
    HoldingTotalsPanel *m_totals = nullptr;
    Label *m_lastStatus = nullptr;
    Panel *m_emptyList = nullptr;
    QList<HoverButton *> m_rows;
    QScrollArea *m_listArea = nullptr;
    QWidget *m_document = nullptr;
    FlatButton *m_moreButton = nullptr;
    FlatButton *m_manageButton = nullptr;
};
