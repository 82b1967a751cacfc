// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Holding.h"
#include "model/PriceAlert.h"
#include "ui/FlippedView.h"

#include <QList>
#include <QString>

#include <optional>

class FlatButton;
class Label;
class OverlayScrollArea;
class Panel;
class QComboBox;
class QLineEdit;
class TextView;
class WatchlistManager;

// The small window where the user gives a watched stock a position (shares and cost price)
// and price conditions. It edits what it was handed, checks everything before anything is
// stored, shows each refusal under its field, and stores the position and the conditions
// together through the watchlist manager; a failed save keeps the form open as typed. One
// form serves every stock: asked for another, it shows that one.
class HoldingEditor : public FlippedView
{
    Q_OBJECT
public:
    // The stock as stored when the form is asked for.
    struct Subject
    {
        QString symbol;
        QString name;
        std::optional<Holding> holding;
        QList<PriceAlert> alerts;
        // Today's trading date, which tells a daily condition that fired today.
        QString tradingDate;
        // The "关闭提醒" preset is chosen: conditions fire without a notification.
        bool alertsSilenced = false;
    };

    // One condition row.
    struct ConditionRow
    {
        Panel *panel = nullptr;
        QComboBox *kind = nullptr;
        QLineEdit *level = nullptr;
        Label *unit = nullptr;
        QComboBox *repeat = nullptr;
        FlatButton *remove = nullptr;
        // Under the row: its refusal, or that it has fired.
        Label *note = nullptr;
        // The stored condition the row shows; none for a row the user added.
        std::optional<PriceAlert> original;
        QString originalText;
    };

    static constexpr int kWidth = 380;

    explicit HoldingEditor(WatchlistManager &manager, QWidget *parent = nullptr);

    // Shows the form for `subject`, filled afresh, in front; for the stock it already shows
    // while open it only comes to the front, keeping what was typed.
    void edit(const Subject &subject);
    QString symbol() const { return m_subject.symbol; }

    // Checks every field, then stores and closes. False, with nothing stored, when a field
    // is refused (its message shows under it and it takes the focus) or the save fails.
    bool save();
    void addCondition();
    void removeCondition(int index);
    // Empties shares and cost: saved so, the position goes.
    void clearHolding();

    static QString titleFor(const QString &name);
    // What the entries to the form say: "编辑持仓与提醒" as a tooltip, with "…" in a menu.
    static QString entryTitle();
    static QString menuTitle() { return entryTitle() + u'…'; }
    // "元", "港元" or "美元": what the stock's prices are in.
    static QString currencyUnit(const QString &symbol);
    static QString silencedHint();
    // "今日已提醒" for a daily condition that fired on `tradingDate`, "已提醒，已关闭" for a
    // once condition that fired; empty for an armed one.
    static QString firedText(const PriceAlert &alert, const QString &tradingDate);

    QLineEdit *sharesInput() const { return m_shares; }
    QLineEdit *costInput() const { return m_cost; }
    Label *holdingNote() const { return m_holdingNote; }
    const QList<ConditionRow> &conditionRows() const { return m_rows; }
    FlatButton *addButton() const { return m_add; }
    FlatButton *saveButton() const { return m_save; }
    FlatButton *cancelButton() const { return m_cancel; }
    TextView *silencedLine() const { return m_silenced; }
    // The outcome of the save itself (a failed write, a stock gone from the list).
    Label *saveNote() const { return m_saveNote; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fill(const Subject &subject);
    ConditionRow makeRow(const std::optional<PriceAlert> &alert);
    // The row's note and unit after an edit: a refusal goes, the fired mark shows only while
    // the row still shows its stored condition.
    void rowEdited(Panel *panel);
    int rowIndex(const Panel *panel) const;
    void showNote(Label *note, const QString &text, const QColor &color);
    // Stacks everything from the top and sizes the window to fit.
    void layoutForm();
    // The row's condition as typed; the refusal when it is not one.
    QString conditionFromRow(const ConditionRow &row, PriceAlert *alert) const;
    bool rowShowsOriginal(const ConditionRow &row) const;

    WatchlistManager &m_manager;
    Subject m_subject;
    Label *m_name = nullptr;
    Label *m_symbolLine = nullptr;
    Label *m_costTitle = nullptr;
    QLineEdit *m_shares = nullptr;
    QLineEdit *m_cost = nullptr;
    Label *m_holdingHint = nullptr;
    Label *m_holdingNote = nullptr;
    FlatButton *m_clear = nullptr;
    Label *m_alertsTitle = nullptr;
    FlatButton *m_add = nullptr;
    Label *m_emptyConditions = nullptr;
    OverlayScrollArea *m_conditionArea = nullptr;
    FlippedView *m_conditionList = nullptr;
    QList<ConditionRow> m_rows;
    TextView *m_silenced = nullptr;
    Label *m_saveNote = nullptr;
    FlatButton *m_cancel = nullptr;
    FlatButton *m_save = nullptr;
};
