// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HoldingEditor.h"

#include "app/WatchlistManager.h"
#include "config/WatchItemInput.h"
#include "model/Currency.h"
#include "model/Symbol.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/OverlayScrollArea.h"
#include "ui/Panel.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Toolkit::label;

constexpr qreal kRowHeight = 40;
constexpr qreal kNoteHeight = 14;
// Five rows fit; more scroll.
constexpr qreal kMaxListHeight = 5 * (kRowHeight + 8) - 8;

// A number as the user would type it back: no exponent, no trailing zeros, and exactly the
// stored value when read again (so an untouched condition compares equal to its original).
QString numberText(double value)
{
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

bool isPercentKind(PriceAlert::Kind kind)
{
    return kind == PriceAlert::Kind::ChangeAbove || kind == PriceAlert::Kind::ChangeBelow;
}

QLineEdit *inputInWell(QWidget *parent, const QRectF &well, const QRectF &input,
                       const QString &accessibleName)
{
    QLineEdit *field = Toolkit::fieldInWell(parent, well, input);
    field->setAccessibleName(accessibleName);
    return field;
}

QComboBox *popupInWell(QWidget *parent, const QRectF &well, const QStringList &titles,
                       const QString &accessibleName)
{
    Toolkit::panelWithFrame(parent, well, Palette::inputWell, Palette::cardBorder, 7);
    auto *popup = new QComboBox(parent);
    Frames::place(popup, well.adjusted(3, 1, -2, -1));
    popup->setFont(Typography::systemFont(12, FontWeight::Medium));
    popup->setFrame(false);
    for (int i = 0; i < titles.size(); ++i)
        popup->addItem(titles.at(i), i);
    popup->setAccessibleName(accessibleName);
    popup->show();
    return popup;
}

} // namespace

HoldingEditor::HoldingEditor(WatchlistManager &manager, QWidget *parent)
    : FlippedView(parent)
    , m_manager(manager)
{
    setObjectName(u"holdingEditor"_s);
    setWindowFlag(Qt::Dialog);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Palette::pageBackground);
    setPalette(palette);
    Toolkit::addSubtleGridBackgroundToView(this);

    m_name = label(this, QRectF(18, 16, 344, 22), QString(), 16, FontWeight::Semibold,
                   Palette::titleText);
    m_name->setTruncatesAtEnd(true);
    m_name->setObjectName(u"stockName"_s);
    m_symbolLine = label(this, QRectF(18, 40, 344, 15), QString(), 11, FontWeight::Regular,
                         Palette::secondaryText);
    m_symbolLine->setObjectName(u"symbolLine"_s);

    label(this, QRectF(18, 70, 120, 18), u"持仓"_s, 13, FontWeight::Semibold, Palette::rowName);
    m_clear = Toolkit::textButton(this, u"清除持仓"_s, QRectF(290, 67, 76, 24));
    m_clear->setObjectName(u"clearHolding"_s);
    connect(m_clear, &FlatButton::clicked, this, &HoldingEditor::clearHolding);
    label(this, QRectF(18, 98, 160, 14), u"持仓股数"_s, 10, FontWeight::Medium,
          Palette::fieldLabel);
    m_costTitle = label(this, QRectF(200, 98, 162, 14), QString(), 10, FontWeight::Medium,
                        Palette::fieldLabel);
    m_shares = inputInWell(this, QRectF(14, 114, 170, 32), QRectF(26, 120, 146, 20), u"持仓股数"_s);
    m_shares->setObjectName(u"sharesInput"_s);
    m_shares->setPlaceholderText(u"例如 1000"_s);
    m_cost = inputInWell(this, QRectF(196, 114, 170, 32), QRectF(208, 120, 146, 20), u"成本价"_s);
    m_cost->setObjectName(u"costInput"_s);
    m_cost->setPlaceholderText(u"可不填"_s);
    m_holdingHint = label(this, QRectF(18, 152, 344, 14), QString(), 10, FontWeight::Regular,
                          Palette::subtleText);
    m_holdingHint->setObjectName(u"holdingHint"_s);
    m_holdingNote =
        label(this, QRectF(18, 170, 344, 14), QString(), 10, FontWeight::Medium, Palette::error);
    m_holdingNote->setObjectName(u"holdingNote"_s);
    m_holdingNote->setTruncatesAtEnd(true);
    m_holdingNote->hide();
    for (QLineEdit *field : {m_shares, m_cost})
        connect(field, &QLineEdit::textEdited, this, [this] {
            if (m_holdingNote->isVisible()) {
                m_holdingNote->hide();
                layoutForm();
            }
        });

    m_alertsTitle = label(this, QRectF(18, 0, 120, 18), u"价格提醒"_s, 13, FontWeight::Semibold,
                          Palette::rowName);
    m_add = Toolkit::textButton(this, u"添加提醒"_s, QRectF(290, 0, 76, 24));
    m_add->setObjectName(u"addCondition"_s);
    connect(m_add, &FlatButton::clicked, this, &HoldingEditor::addCondition);
    m_emptyConditions =
        label(this, QRectF(18, 0, 344, 16), u"未设价格提醒：价格或涨跌幅到达时会通知你。"_s, 11,
              FontWeight::Regular, Palette::subtleText);
    m_emptyConditions->setObjectName(u"noConditions"_s);
    m_conditionArea = new OverlayScrollArea(this);
    m_conditionArea->setObjectName(u"conditionArea"_s);
    m_conditionList = new FlippedView;
    m_conditionList->resize(352, 1);
    m_conditionArea->setDocument(m_conditionList);

    m_silenced = Toolkit::textViewWithFrame(this, QRectF(18, 0, 344, 32), silencedHint(), 10,
                                            Palette::warning);
    m_silenced->setParagraphSpacing(0);
    m_silenced->setObjectName(u"silencedHint"_s);
    m_saveNote =
        label(this, QRectF(18, 0, 344, 14), QString(), 10, FontWeight::Medium, Palette::error);
    m_saveNote->setObjectName(u"saveNote"_s);
    m_saveNote->setTruncatesAtEnd(true);
    m_saveNote->hide();

    m_cancel = Toolkit::footerButton(this, u"取消"_s, QRectF(14, 0, 166, 32));
    m_cancel->setObjectName(u"cancelButton"_s);
    connect(m_cancel, &FlatButton::clicked, this, &QWidget::close);
    m_save = Toolkit::footerButton(this, u"保存"_s, QRectF(200, 0, 166, 32));
    m_save->setObjectName(u"saveButton"_s);
    m_save->setBackgroundColor(Palette::primaryButtonFace);
    m_save->setBorderColor(Palette::primaryButtonBorder);
    m_save->setTitleColor(Palette::primaryButtonTitle);
    connect(m_save, &FlatButton::clicked, this, &HoldingEditor::save);
    layoutForm();
}

QString HoldingEditor::titleFor(const QString &name)
{
    return u"持仓与提醒 · "_s + name;
}

QString HoldingEditor::entryTitle()
{
    return u"编辑持仓与提醒"_s;
}

QString HoldingEditor::currencyUnit(const QString &symbol)
{
    switch (currencyForMarket(Symbol::marketOf(symbol).value_or(Market::Shanghai))) {
    case Currency::HKD:
        return u"港元"_s;
    case Currency::USD:
        return u"美元"_s;
    case Currency::CNY:
        break;
    }
    return u"元"_s;
}

QString HoldingEditor::silencedHint()
{
    return u"当前提醒方式为「关闭提醒」，价格提醒到达时不会通知；可在菜单的「盘中提醒」中更改。"_s;
}

QString HoldingEditor::firedText(const PriceAlert &alert, const QString &tradingDate)
{
    if (alert.firedOn.isEmpty())
        return {};
    if (alert.repeat == PriceAlert::Repeat::Once)
        return u"已提醒，已关闭"_s;
    return alert.firedOn == tradingDate ? u"今日已提醒"_s : QString();
}

void HoldingEditor::edit(const Subject &subject)
{
    if (!isVisible() || subject.symbol != m_subject.symbol) {
        fill(subject);
        show();
        m_shares->setFocus(Qt::OtherFocusReason);
    }
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void HoldingEditor::fill(const Subject &subject)
{
    m_subject = subject;
    const QString name = subject.name.isEmpty() ? subject.symbol.toUpper() : subject.name;
    setWindowTitle(titleFor(name));
    m_name->setText(name);
    const QString unit = currencyUnit(subject.symbol);
    m_symbolLine->setText(subject.symbol.toUpper() + u" · 币种 "_s + unit);
    m_costTitle->setText(u"成本价（"_s + unit + u"）"_s);
    const bool aShare =
        currencyForMarket(Symbol::marketOf(subject.symbol).value_or(Market::Shanghai)) ==
        Currency::CNY;
    m_holdingHint->setText(aShare ? u"A 股按股数填写（1 手 = 100 股），成本价可不填。"_s
                                  : u"按股数填写，成本价可不填。"_s);
    m_shares->setText(subject.holding ? numberText(subject.holding->shares) : QString());
    m_cost->setText(subject.holding && subject.holding->cost ? numberText(*subject.holding->cost)
                                                             : QString());
    m_holdingNote->hide();
    m_saveNote->hide();
    for (const ConditionRow &row : std::as_const(m_rows)) {
        delete row.panel;
        delete row.note;
    }
    m_rows.clear();
    for (const PriceAlert &alert : subject.alerts)
        m_rows.append(makeRow(alert));
    m_silenced->setVisible(subject.alertsSilenced);
    layoutForm();
    m_conditionArea->scrollToTop();
}

HoldingEditor::ConditionRow HoldingEditor::makeRow(const std::optional<PriceAlert> &alert)
{
    ConditionRow row;
    row.original = alert;
    auto *panel = Toolkit::panelWithFrame(m_conditionList, QRectF(0, 0, 352, kRowHeight),
                                          Palette::card, Palette::rowBorder, 8);
    panel->setObjectName(u"conditionRow"_s);
    row.panel = panel;
    row.kind = popupInWell(panel, QRectF(6, 6, 84, 28),
                           {u"突破价"_s, u"跌破价"_s, u"涨幅达"_s, u"跌幅达"_s}, u"提醒条件"_s);
    row.level = inputInWell(panel, QRectF(96, 6, 108, 28), QRectF(105, 10, 70, 20), u"提醒数值"_s);
    row.level->setObjectName(u"levelInput"_s);
    row.unit = label(panel, QRectF(176, 12, 24, 16), QString(), 11, FontWeight::Regular,
                     Palette::secondaryText, Qt::AlignRight);
    row.repeat =
        popupInWell(panel, QRectF(210, 6, 94, 28), {u"仅一次"_s, u"每个交易日"_s}, u"提醒频率"_s);
    row.remove = Toolkit::footerButton(panel, u"移除"_s, QRectF(310, 6, 36, 28));
    row.remove->setFont(Typography::systemFont(11, FontWeight::Semibold));
    row.remove->setBackgroundColor(Palette::removeButtonFace);
    row.remove->setBorderColor(Palette::removeButtonBorder);
    row.remove->setTitleColor(Palette::removeButtonTitle);
    row.remove->setAccessibleName(u"移除这条提醒"_s);
    row.note = label(m_conditionList, QRectF(4, 0, 344, kNoteHeight), QString(), 10,
                     FontWeight::Medium, Palette::quietText);
    row.note->setObjectName(u"conditionNote"_s);
    row.note->setTruncatesAtEnd(true);
    if (alert) {
        row.kind->setCurrentIndex(int(alert->kind));
        row.repeat->setCurrentIndex(int(alert->repeat));
        row.originalText = numberText(alert->value);
        row.level->setText(row.originalText);
    }
    connect(row.remove, &FlatButton::clicked, this,
            [this, panel] { removeCondition(rowIndex(panel)); });
    connect(row.level, &QLineEdit::textEdited, this, [this, panel] { rowEdited(panel); });
    for (QComboBox *popup : {row.kind, row.repeat})
        connect(popup, &QComboBox::currentIndexChanged, this, [this, panel] { rowEdited(panel); });
    m_rows.append(row); // rowEdited finds it while it sets the note and the unit
    rowEdited(panel);
    return m_rows.takeLast();
}

int HoldingEditor::rowIndex(const Panel *panel) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).panel == panel)
            return i;
    }
    return -1;
}

void HoldingEditor::rowEdited(Panel *panel)
{
    const int index = rowIndex(panel);
    if (index < 0)
        return;
    const ConditionRow &row = m_rows.at(index);
    const auto kind = PriceAlert::Kind(row.kind->currentData().toInt());
    row.unit->setText(isPercentKind(kind) ? u"%"_s : currencyUnit(m_subject.symbol));
    row.level->setPlaceholderText(kind == PriceAlert::Kind::ChangeBelow   ? u"例如 -3"_s
                                  : kind == PriceAlert::Kind::ChangeAbove ? u"例如 5"_s
                                                                          : u"价位"_s);
    const bool wasShown = !row.note->text().isEmpty();
    const QString fired =
        rowShowsOriginal(row) ? firedText(*row.original, m_subject.tradingDate) : QString();
    showNote(row.note, fired, Palette::quietText);
    if (wasShown != !fired.isEmpty())
        layoutForm();
}

void HoldingEditor::showNote(Label *note, const QString &text, const QColor &color)
{
    note->setText(text);
    note->setColor(color);
    note->setVisible(!text.isEmpty());
}

bool HoldingEditor::rowShowsOriginal(const ConditionRow &row) const
{
    if (!row.original)
        return false;
    PriceAlert typed;
    return conditionFromRow(row, &typed).isEmpty() && typed.sameCondition(*row.original);
}

QString HoldingEditor::conditionFromRow(const ConditionRow &row, PriceAlert *alert) const
{
    return WatchItemInput::priceAlertFromText(
        PriceAlert::Kind(row.kind->currentData().toInt()), row.level->text(),
        PriceAlert::Repeat(row.repeat->currentData().toInt()), alert);
}

void HoldingEditor::addCondition()
{
    m_rows.append(makeRow(std::nullopt));
    layoutForm();
    m_conditionArea->scrollToBottom();
    m_rows.last().level->setFocus(Qt::OtherFocusReason);
}

void HoldingEditor::removeCondition(int index)
{
    if (index < 0 || index >= m_rows.size())
        return;
    const ConditionRow row = m_rows.takeAt(index);
    // Later: the click on its remove button is still being delivered.
    for (QWidget *widget : {static_cast<QWidget *>(row.panel), static_cast<QWidget *>(row.note)}) {
        widget->hide();
        widget->deleteLater();
    }
    layoutForm();
    m_add->setFocus(Qt::OtherFocusReason);
}

void HoldingEditor::clearHolding()
{
    m_shares->clear();
    m_cost->clear();
    m_holdingNote->hide();
    layoutForm();
}

void HoldingEditor::layoutForm()
{
    qreal y = 170;
    if (m_holdingNote->isVisibleTo(this))
        y += kNoteHeight + 4;
    y += 14;
    Frames::place(m_alertsTitle, QRectF(18, y, 120, 18));
    Frames::place(m_add, QRectF(290, y - 3, 76, 24));
    y += 28;

    // The rows, each with its note below when it has one.
    qreal list = 0;
    for (const ConditionRow &row : std::as_const(m_rows)) {
        Frames::place(row.panel, QRectF(0, list, 352, kRowHeight));
        list += kRowHeight;
        if (!row.note->text().isEmpty()) {
            Frames::place(row.note, QRectF(4, list + 4, 344, kNoteHeight));
            list += kNoteHeight + 4;
        }
        list += 8;
    }
    list = std::max<qreal>(list - 8, 1);
    m_conditionList->resize(352, int(list));
    m_emptyConditions->setVisible(m_rows.isEmpty());
    m_conditionArea->setVisible(!m_rows.isEmpty());
    if (m_rows.isEmpty()) {
        Frames::place(m_emptyConditions, QRectF(18, y, 344, 16));
        y += 16;
    } else {
        const qreal shown = std::min(list, kMaxListHeight);
        Frames::place(m_conditionArea, QRectF(14, y, 352, shown));
        y += shown;
    }
    y += 16;
    if (m_silenced->isVisibleTo(this)) {
        const qreal height = std::ceil(TextView::layoutSize(m_silenced->text(), m_silenced->font(),
                                                            344, m_silenced->lineSpacing(), 0)
                                           .height());
        Frames::place(m_silenced, QRectF(18, y, 344, height));
        y += height + 10;
    }
    if (m_saveNote->isVisibleTo(this)) {
        Frames::place(m_saveNote, QRectF(18, y, 344, kNoteHeight));
        y += kNoteHeight + 10;
    }
    Frames::place(m_cancel, QRectF(14, y, 166, 32));
    Frames::place(m_save, QRectF(200, y, 166, 32));
    setFixedSize(kWidth, int(y + 32 + 16));

    // Tab follows the form from top to bottom, through the rows in their order.
    QList<QWidget *> chain{m_shares, m_cost, m_clear, m_add};
    for (const ConditionRow &row : std::as_const(m_rows))
        chain << row.kind << row.level << row.repeat << row.remove;
    chain << m_cancel << m_save;
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

bool HoldingEditor::save()
{
    m_saveNote->hide();
    QWidget *refused = nullptr;
    std::optional<Holding> holding;
    const QString holdingProblem =
        WatchItemInput::holdingFromText(m_shares->text(), m_cost->text(), &holding);
    showNote(m_holdingNote, holdingProblem, Palette::error);
    if (!holdingProblem.isEmpty()) {
        // The shares alone make a position: then the cost is what was refused.
        std::optional<Holding> sharesOnly;
        const bool sharesGood =
            !m_shares->text().trimmed().isEmpty() &&
            WatchItemInput::holdingFromText(m_shares->text(), QString(), &sharesOnly).isEmpty();
        refused = sharesGood ? m_cost : m_shares;
    }

    // The item as stored now: an untouched condition takes its current firing record (it may
    // have fired while the form was open); a changed one is armed afresh.
    QJsonObject stored;
    for (const QJsonValue &item : m_manager.watchItems()) {
        if (item.toObject().value(u"symbol"_s).toString() == m_subject.symbol)
            stored = item.toObject();
    }
    QList<PriceAlert> current = PriceAlert::listFromItem(stored);
    QList<PriceAlert> alerts;
    for (const ConditionRow &row : std::as_const(m_rows)) {
        PriceAlert alert;
        const QString problem = conditionFromRow(row, &alert);
        if (!problem.isEmpty()) {
            showNote(row.note, problem, Palette::error);
            if (!refused)
                refused = row.level;
            continue;
        }
        if (row.original && alert.sameCondition(*row.original)) {
            const auto same = std::find_if(current.begin(), current.end(),
                                           [&](const auto &c) { return c.sameCondition(alert); });
            alert = same != current.end() ? *same : *row.original;
            if (same != current.end())
                current.erase(same);
        } else if (row.original) {
            alert.stored = row.original->stored; // keys other tools added stay
        }
        alerts.append(alert);
    }
    layoutForm();
    if (refused) {
        for (const ConditionRow &row : std::as_const(m_rows)) {
            if (row.level == refused)
                m_conditionArea->ensureWidgetVisible(row.panel, 0, 8);
        }
        refused->setFocus(Qt::OtherFocusReason);
        return false;
    }

    const QJsonObject changed =
        PriceAlert::withAlerts(Holding::withHolding(stored, holding), alerts);
    QString error;
    if (!stored.isEmpty() && changed == stored) {
        close(); // nothing to write
        return true;
    }
    if (!m_manager.setHoldingAndPriceAlerts(m_subject.symbol, holding, alerts, &error)) {
        showNote(m_saveNote, error, Palette::error);
        layoutForm();
        return false;
    }
    close();
    return true;
}

void HoldingEditor::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        save();
        return;
    default:
        FlippedView::keyPressEvent(event);
    }
}
