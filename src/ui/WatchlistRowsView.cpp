// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchlistRowsView.h"

#include "app/WatchlistManager.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/HoverPanel.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/Toolkit.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr qreal kRowHeight = 44;
constexpr qreal kRowPitch = 52;
constexpr qreal kScrollerGutter = 14;

FlatButton *moveButton(QWidget *parent, const QRectF &frame, const QString &title, int delta,
                       bool enabled, const QString &identifier, const QString &tooltip,
                       WatchlistManager &manager)
{
    auto *button = new FlatButton(parent);
    KSPlace(button, frame);
    button->setText(title);
    button->setFont(KSSystemFont(14, FontWeight::Semibold));
    button->setBackgroundColor(Qt::transparent);
    button->setBorderColor(Qt::transparent);
    button->setBorderWidth(0);
    button->setDimsWhenDisabled(false);
    button->setTitleColor(Toolkit::colorWithHex(enabled ? u"B9C6DD"_s : u"4F586C"_s));
    button->setEnabled(enabled);
    button->setToolTip(tooltip);
    button->setAccessibleName(tooltip);
    button->setIdentifier(identifier);
    button->setProperty("tag", delta);
    QObject::connect(button, &QAbstractButton::clicked, &manager,
                     [m = &manager, identifier, delta] { m->moveWatchItem(identifier, delta); });
    button->show();
    return button;
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
{
    setObjectName(u"watchlistRows"_s);
    const QJsonArray items = manager.watchItems();
    const int count = int(items.size());
    const qreal width = frame.width();
    const qreal height = frame.height();
    const qreal document = documentHeightForCount(count, height);
    const bool overflows = document > height + 0.5;
    KSPlace(this,
            QRectF(frame.x(), frame.y(), overflows ? width + kScrollerGutter : width, height));

    auto *list = new QWidget;
    list->resize(int(width), int(std::lround(document)));
    if (count == 0) {
        ::Panel *emptyPanel = Toolkit::panelWithFrame(
            list, QRectF(0, document - kRowHeight, width, 44), Toolkit::colorWithHex(u"10121A"_s),
            Toolkit::colorWithHex(u"222635"_s), 9);
        emptyPanel->setObjectName(u"emptyWatchlist"_s);
        Toolkit::labelWithFrame(emptyPanel, QRectF(12, 11, width - 24, 20), emptyText(), 13,
                                FontWeight::Regular, Toolkit::colorWithHex(u"A1A6B8"_s),
                                Qt::AlignHCenter);
    }
    for (int i = 0; i < count; ++i) {
        watchItemRow(list, QRectF(0, document - kRowHeight - kRowPitch * i, width, kRowHeight),
                     items.at(i).toObject(), i, count, manager);
    }
    setDocument(list);
    show();
    // Left where a fresh list starts: at its end, where a newly added stock appears.
    scrollToBottom();
}

HoverPanel *WatchlistRowsView::watchItemRow(QWidget *parent, const QRectF &frame,
                                            const WatchItem &item, int index, int count,
                                            WatchlistManager &manager)
{
    auto *row = new HoverPanel(parent);
    row->setObjectName(u"watchItemRow"_s);
    KSPlace(row, frame);
    row->setNormalColors(Toolkit::colorWithHex(u"101116"_s), Toolkit::colorWithHex(u"202431"_s));
    row->setHoverColors(Toolkit::colorWithHex(u"141722"_s), Toolkit::colorWithHex(u"343A4A"_s));
    row->setCornerRadius(8);
    row->setBorderWidth(1);

    const qreal width = frame.width();
    const RowMetrics m = rowMetricsForWidth(width);
    const QString symbol = item.value(u"symbol"_s).toString();
    QString name = item.value(u"name"_s).toString();
    if (name.isEmpty())
        name = symbol.isEmpty() ? u"--"_s : symbol;

    Label *nameLabel =
        Toolkit::labelWithFrame(row, QRectF(12, 20, m.textWidth, 17), name, 13, FontWeight::Medium,
                                Toolkit::colorWithHex(u"DDE1EA"_s));
    nameLabel->setTruncatesAtEnd(true);
    Label *symbolLabel =
        Toolkit::labelWithFrame(row, QRectF(12, 6, m.textWidth, 14), symbol.toUpper(), 10,
                                FontWeight::Regular, Toolkit::colorWithHex(u"747A8E"_s));
    symbolLabel->setTruncatesAtEnd(true);

    // Up and down share one clipped control split by a divider.
    ::Panel *moveControl = Toolkit::panelWithFrame(row, QRectF(m.moveX, 8, m.moveWidth, 28),
                                                   Toolkit::colorWithHex(u"121722"_s),
                                                   Toolkit::colorWithHex(u"2A3144"_s), 8);
    moveControl->setObjectName(u"moveControl"_s);
    const qreal half = std::floor(m.moveWidth / 2);
    Toolkit::panelWithFrame(moveControl, QRectF(half, 6, 1, 16), Toolkit::colorWithHex(u"2A3144"_s),
                            Toolkit::colorWithHex(u"2A3144"_s), 0);
    const QString upper = symbol.toUpper();
    moveButton(moveControl, QRectF(0, 0, half, 28), u"↑"_s, -1, index >= 1, upper, u"上移一位"_s,
               manager)
        ->setObjectName(u"moveUp"_s);
    moveButton(moveControl, QRectF(half + 1, 0, m.moveWidth - half - 1, 28), u"↓"_s, 1,
               index < count - 1, upper, u"下移一位"_s, manager)
        ->setObjectName(u"moveDown"_s);

    FlatButton *remove =
        Toolkit::footerButton(row, u"移除"_s, QRectF(m.removeX, 8, m.removeWidth, 28));
    remove->setObjectName(u"remove"_s);
    remove->setFont(KSSystemFont(11, FontWeight::Semibold));
    remove->setCornerRadius(8);
    remove->setBackgroundColor(Toolkit::colorWithHex(u"1A1115"_s));
    remove->setBorderColor(Toolkit::colorWithHex(u"45242D"_s));
    remove->setTitleColor(Toolkit::colorWithHex(u"F6A7AD"_s));
    remove->setToolTip(u"从自选列表移除"_s);
    remove->setIdentifier(symbol);
    QObject::connect(remove, &QAbstractButton::clicked, &manager,
                     [m = &manager, symbol] { m->removeWatchItem(symbol); });

    row->show();
    return row;
}
