// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchlistRowsView.h"

#include "app/WatchlistManager.h"
#include "presentation/Palette.h"
#include "ui/EditColumnButton.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/HoldingEditor.h"
#include "ui/HoverPanel.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/RowPool.h"
#include "ui/Toolkit.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr qreal kRowHeight = 44;
constexpr qreal kRowPitch = 52;
constexpr qreal kScrollerGutter = 14;

// Moves the row's stock, whichever the last update gave it, by `delta`.
FlatButton *moveButton(QWidget *parent, const QRectF &frame, const QString &title, int delta,
                       const QString &tooltip, WatchlistManager &manager)
{
    auto *button = new FlatButton(parent);
    Frames::place(button, frame);
    button->setText(title);
    button->setFont(Typography::systemFont(14, FontWeight::Semibold));
    button->setBackgroundColor(Qt::transparent);
    button->setBorderColor(Qt::transparent);
    button->setBorderWidth(0);
    button->setDimsWhenDisabled(false);
    button->setToolTip(tooltip);
    button->setAccessibleName(tooltip);
    button->setProperty("tag", delta);
    QObject::connect(button, &QAbstractButton::clicked, &manager, [m = &manager, button, delta] {
        m->moveWatchItem(button->identifier(), delta);
    });
    button->show();
    return button;
}

void setMoveEnabled(FlatButton *button, bool enabled, const QString &identifier)
{
    button->setTitleColor(enabled ? Palette::moveEnabled : Palette::moveDisabled);
    button->setEnabled(enabled);
    button->setIdentifier(identifier);
}

} // namespace

QString WatchlistRowsView::emptyText()
{
    return u"还没有自选股，先添加一只试试。"_s;
}

WatchlistRowsView::RowMetrics WatchlistRowsView::rowMetricsForWidth(qreal width)
{
    const bool narrow = width < 310;
    RowMetrics m{};
    m.removeWidth = narrow ? 48 : 52;
    m.removeX = width - 10 - m.removeWidth;
    m.moveWidth = narrow ? 58 : 62;
    m.moveX = m.removeX - 8 - m.moveWidth;
    m.textWidth = std::max<qreal>(m.moveX - 24, 72);
    return m;
}

qreal WatchlistRowsView::documentHeightForCount(int count, qreal height)
{
    return std::max(kRowPitch * std::max(count, 1) - 8, height);
}

WatchlistRowsView::WatchlistRowsView(QWidget *parent, const QRectF &frame,
                                     WatchlistManager &manager)
    : OverlayScrollArea(parent)
    , m_manager(manager)
    , m_frame(frame)
{
    setObjectName(u"watchlistRows"_s);
    m_list = new QWidget;
    reload();
    setDocument(m_list);
    show();
    connect(&manager, &WatchlistManager::watchlistChanged, this, &WatchlistRowsView::reload);
}

void WatchlistRowsView::reload()
{
    const QJsonArray items = m_manager.watchItems();
    if (m_list->property("items").toJsonArray() == items &&
        m_list->property("frame").toRectF() == m_frame)
        return; // nothing to show anew, and the list stays where the user scrolled it
    m_list->setProperty("items", items);
    m_list->setProperty("frame", m_frame);
    const int count = int(items.size());
    const qreal width = m_frame.width();
    const qreal height = m_frame.height();
    const qreal document = documentHeightForCount(count, height);
    const bool overflows = document > height + 0.5;
    Frames::place(this, QRectF(m_frame.x(), m_frame.y(),
                               overflows ? width + kScrollerGutter : width, height));
    m_list->resize(int(width), int(std::lround(document)));

    const QRectF emptyFrame(0, document - kRowHeight, width, 44);
    if (count == 0 && !m_emptyPanel) {
        m_emptyPanel = Toolkit::panelWithFrame(m_list, emptyFrame, Palette::quietCard,
                                               Palette::quietCardBorder, 9);
        m_emptyPanel->setObjectName(u"emptyWatchlist"_s);
        Toolkit::label(m_emptyPanel, QRectF(12, 11, width - 24, 20), emptyText(), 13,
                       FontWeight::Regular, Palette::flat, Qt::AlignHCenter);
    } else if (count > 0 && m_emptyPanel) {
        delete m_emptyPanel;
        m_emptyPanel = nullptr;
    }
    if (m_emptyPanel)
        Frames::place(m_emptyPanel, emptyFrame);

    const QRectF rowFrame(0, 0, width, kRowHeight);
    RowPool::resize(m_rows, count, [&] {
        HoverPanel *row = watchItemRow(m_list, rowFrame, {}, 0, 0, m_manager);
        auto *edit = row->findChild<EditColumnButton *>(u"editColumn"_s);
        const auto request = [this, edit] {
            Q_EMIT editRequested(edit->identifier());
        };
        connect(edit, &QAbstractButton::clicked, this, request);
        Toolkit::addContextAction(row, HoldingEditor::menuTitle(), request);
        return row;
    });
    for (int i = 0; i < count; ++i) {
        Frames::place(m_rows.at(i), rowFrame.translated(0, document - kRowHeight - kRowPitch * i));
        updateWatchItemRow(m_rows.at(i), items.at(i).toObject(), i, count);
    }
    // Left at the end, where a newly added stock appears.
    scrollToBottom();
}

void WatchlistRowsView::setFrame(const QRectF &frame)
{
    m_frame = frame;
    reload();
}

HoverPanel *WatchlistRowsView::watchItemRow(QWidget *parent, const QRectF &frame,
                                            const WatchItem &item, int index, int count,
                                            WatchlistManager &manager)
{
    auto *row = new HoverPanel(parent);
    row->setObjectName(u"watchItemRow"_s);
    Frames::place(row, frame);
    row->setNormalColors(Palette::card, Palette::rowBorder);
    row->setHoverColors(Palette::rowHover, Palette::rowHoverBorder);
    row->setCornerRadius(8);
    row->setBorderWidth(1);

    const qreal width = frame.width();
    const RowMetrics m = rowMetricsForWidth(width);
    Label *nameLabel = Toolkit::label(row, QRectF(12, 20, m.textWidth, 17), QString(), 13,
                                      FontWeight::Medium, Palette::rowName);
    nameLabel->setTruncatesAtEnd(true);
    nameLabel->setObjectName(u"itemName"_s);
    Label *symbolLabel = Toolkit::label(row, QRectF(12, 6, m.textWidth, 14), QString(), 10,
                                        FontWeight::Regular, Palette::subtleText);
    symbolLabel->setTruncatesAtEnd(true);
    symbolLabel->setObjectName(u"itemSymbol"_s);
    // Over both, the column as the row's edit action.
    auto *edit = new EditColumnButton(row);
    Frames::place(edit, QRectF(6, 4, m.textWidth + 12, 36));
    edit->setObjectName(u"editColumn"_s);
    edit->show();

    // Up and down share one clipped control split by a divider.
    ::Panel *moveControl =
        Toolkit::panelWithFrame(row, QRectF(m.moveX, 8, m.moveWidth, 28), Palette::moveControlFace,
                                Palette::moveControlBorder, 8);
    moveControl->setObjectName(u"moveControl"_s);
    const qreal half = std::floor(m.moveWidth / 2);
    Toolkit::panelWithFrame(moveControl, QRectF(half, 6, 1, 16), Palette::moveControlBorder,
                            Palette::moveControlBorder, 0);
    moveButton(moveControl, QRectF(0, 0, half, 28), u"↑"_s, -1, u"上移一位"_s, manager)
        ->setObjectName(u"moveUp"_s);
    moveButton(moveControl, QRectF(half + 1, 0, m.moveWidth - half - 1, 28), u"↓"_s, 1,
               u"下移一位"_s, manager)
        ->setObjectName(u"moveDown"_s);

    FlatButton *remove =
        Toolkit::footerButton(row, u"移除"_s, QRectF(m.removeX, 8, m.removeWidth, 28));
    remove->setObjectName(u"remove"_s);
    remove->setFont(Typography::systemFont(11, FontWeight::Semibold));
    remove->setCornerRadius(8);
    remove->setBackgroundColor(Palette::removeButtonFace);
    remove->setBorderColor(Palette::removeButtonBorder);
    remove->setTitleColor(Palette::removeButtonTitle);
    remove->setToolTip(u"从自选列表移除"_s);
    QObject::connect(remove, &QAbstractButton::clicked, &manager,
                     [m = &manager, remove] { m->removeWatchItem(remove->identifier()); });

    updateWatchItemRow(row, item, index, count);
    row->show();
    return row;
}

void WatchlistRowsView::updateWatchItemRow(HoverPanel *row, const WatchItem &item, int index,
                                           int count)
{
    const QString symbol = item.value(u"symbol"_s).toString();
    QString name = item.value(u"name"_s).toString();
    if (name.isEmpty())
        name = symbol.isEmpty() ? u"--"_s : symbol;
    row->findChild<Label *>(u"itemName"_s, Qt::FindDirectChildrenOnly)->setText(name);
    row->findChild<Label *>(u"itemSymbol"_s, Qt::FindDirectChildrenOnly)->setText(symbol.toUpper());
    row->findChild<FlatButton *>(u"editColumn"_s, Qt::FindDirectChildrenOnly)
        ->setIdentifier(symbol);
    const QString upper = symbol.toUpper();
    setMoveEnabled(row->findChild<FlatButton *>(u"moveUp"_s), index >= 1, upper);
    setMoveEnabled(row->findChild<FlatButton *>(u"moveDown"_s), index < count - 1, upper);
    row->findChild<FlatButton *>(u"remove"_s, Qt::FindDirectChildrenOnly)->setIdentifier(symbol);
}
