// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MarketStatus.h"
#include "config/AppSettings.h"
#include "decision/DecisionEngine.h"
#include "model/Quote.h"
#include "presentation/MainWindowData.h"
#include "ui/QuoteCards.h"
#include "ui/QuoteDetailPage.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class FlatButton;
class HoldingTotalsPanel;
class HoverButton;
class Label;
class IntradayChartView;
class IntradayHoverOverlayView;
class OverlayScrollArea;
class Panel;

// The desktop window's content: title and market status, the summary, the list (or the
// watchlist manager's sidebar in the "watchlist" section) and the workbench of the selected
// stock (or the introduction when the list is empty). Built once per section and then updated
// in place, at every refresh and every resize. Holds nothing but its widgets; user actions
// leave as signals. The builders are public so each part can be built and checked on its own.
class MainWindowView : public QWidget
{
    Q_OBJECT
public:
    // Builds the sidebar of the watchlist manager into `parent` at `frame`.
    using SidebarBuilder = std::function<QWidget *(QWidget *parent, const QRectF &frame)>;

    MainWindowView(const MainWindowData &data, const QSize &size, const CardActions &actions,
                   const SidebarBuilder &sidebarBuilder, QWidget *parent = nullptr);

    // Shows `data` at `size` in the existing widgets: rows are added or dropped only when the
    // list's length changes, a new size moves them. False, and nothing changed, when the
    // section differs: the view is then built anew.
    bool setData(const MainWindowData &data, const QSize &size);

    // --- Builders (frames y up inside `parent`) ---
    using SymbolAction = std::function<void(const QString &symbol)>;
    static HoverButton *mainQuoteRow(QWidget *parent, const QRectF &frame,
                                     const MainQuoteRowData &row, bool selected,
                                     const QHash<QString, int> &priceFlashDirections,
                                     const SymbolAction &select);
    static void updateMainQuoteRow(HoverButton *button, const MainQuoteRowData &row, bool selected,
                                   const QHash<QString, int> &priceFlashDirections);
    static QWidget *mainDetailViewForQuote(QWidget *parent, const QRectF &frame,
                                           const MainDetailData &detail, const CardActions &actions,
                                           const SymbolAction &openQuotePage);
    static void updateMainDetailView(QWidget *view, const QRectF &frame,
                                     const MainDetailData &detail, const CardActions &actions);
    static Panel *mainHeroCardForQuote(QWidget *parent, const QRectF &frame,
                                       const MainDetailData &detail);
    // Places and fills a card mainHeroCardForQuote built, at its current size.
    static void updateMainHeroCard(Panel *card, const MainDetailData &detail);
    static Panel *strategyContextBadgeWithFrame(QWidget *parent, const QRectF &frame,
                                                const QString &title, const QString &value,
                                                const QString &accentHex);
    static Panel *mainDecisionStripForQuote(QWidget *parent, const QRectF &frame,
                                            const QList<DecisionEngine::ScenarioMetric> &metrics,
                                            const CardActions &actions);
    static Panel *mainEmptyWorkbenchViewWithFrame(QWidget *parent, const QRectF &frame,
                                                  const std::function<void()> &addStock,
                                                  const std::function<void()> &configureAI);

    // --- Parts of this build ---
    QSize viewSize() const { return m_size; }
    MainSection section() const { return m_section; }
    OverlayScrollArea *listArea() const { return m_listArea; }
    QWidget *sidebar() const { return m_sidebar; }
    HoldingTotalsPanel *holdingTotalsPanel() const { return m_totals; }
    FlatButton *manageButton() const { return m_manageButton; }
    QWidget *workbench() const { return m_workbench; }
    IntradayChartView *chartView() const { return m_chart; }
    IntradayHoverOverlayView *hoverOverlay() const { return m_overlay; }
    QList<HoverButton *> rows() const;
    // The list's scroll offset, and putting it back after an update. Without an offset the
    // list opens at the top with the selected row in view.
    int listOffset() const;
    void placeList(std::optional<int> offset);

Q_SIGNALS:
    void quoteSelected(const QString &symbol);
    void managerToggleRequested();
    void addStockRequested();
    void aiSettingsRequested();
    void quotePageRequested(const QString &symbol);
    void ratesRequested();

private:
    void buildHeader();
    void placeHeader(const MainWindowData &data, qreal W, qreal H);
    void setMarketStatus(const MarketStatus &status, qreal W, qreal H);
    // The positions' totals below the summary, made, remade or dropped as their lines ask.
    void setHoldingTotals(const std::optional<HoldingTotalsData> &data, qreal H);
    void buildList();
    void setRows(const MainWindowData &data, qreal H);
    void buildWorkbench(const MainWindowData &data, qreal W, qreal H);

    QSize m_size;
    MainSection m_section;
    CardActions m_actions;
    SidebarBuilder m_sidebarBuilder;
    MarketStatus m_marketStatus;
    Panel *m_marketPill = nullptr;
    QWidget *m_title = nullptr;
    Panel *m_summary = nullptr;
    HoldingTotalsPanel *m_totals = nullptr;
    // What the totals take from the list's height.
    qreal m_totalsRoom = 0;
    Label *m_listTitle = nullptr;
    Label *m_listNote = nullptr;
    Panel *m_emptyList = nullptr;
    QList<HoverButton *> m_rows;
    OverlayScrollArea *m_listArea = nullptr;
    QWidget *m_document = nullptr;
    QWidget *m_sidebar = nullptr;
    FlatButton *m_manageButton = nullptr;
    QWidget *m_workbench = nullptr;
    IntradayChartView *m_chart = nullptr;
    IntradayHoverOverlayView *m_overlay = nullptr;
};
