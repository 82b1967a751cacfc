#include "ui/SimpleHomePage.h"

#include "app/KestrumApp.h"
#include "model/Formatters.h"
#include "ui/FlatButton.h"
#include "ui/Toolkit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel *label(const QString &text, const QString &color, int pointSize, QWidget *parent,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSize(pointSize);
    l->setFont(f);
    l->setAlignment(align);
    l->setStyleSheet(u"color: #"_s + color + u"; background: transparent;"_s);
    return l;
}

QString accentFor(const Quote &q)
{
    const double p = q.changePercent();
    if (std::abs(p) < 0.0001)
        return u"A1A6B8"_s;
    return p >= 0 ? u"F87171"_s : u"34D399"_s;
}

} // namespace

SimpleHomePage::SimpleHomePage(const KestrumApp &app, bool firstLaunchHint, QWidget *parent)
    : QWidget(parent)
{
    setFixedWidth(380);
    setStyleSheet(u"SimpleHomePage { background: #090A0F; }"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 14, 14);
    layout->setSpacing(8);

    auto *header = new QHBoxLayout;
    header->addWidget(label(u"澄川"_s, u"F4F4F5"_s, 14, this));
    header->addWidget(label(u"by Orvell"_s, u"6F7688"_s, 9, this));
    header->addStretch();
    const MarketStatus status = app.marketStatusInfo();
    header->addWidget(label(status.title, status.text, 10, this));
    layout->addLayout(header);

    if (firstLaunchHint) {
        layout->addWidget(label(u"澄川已在菜单栏启动"_s, u"DCE7FF"_s, 11, this));
        layout->addWidget(
            label(u"以后点顶部菜单栏图标，就能查看自选、AI 和风控。"_s, u"8F9BB4"_s, 10, this));
    }

    auto *listHeader = new QHBoxLayout;
    listHeader->addWidget(label(u"自选列表"_s, u"686D80"_s, 11, this));
    listHeader->addStretch();
    listHeader->addWidget(label(app.lastStatus(), u"596174"_s, 10, this, Qt::AlignRight));
    FlatButton *manage = Toolkit::textButton(this, u"管理"_s, QRectF(0, 0, 54, 24));
    manage->setObjectName(u"manage"_s);
    manage->setFixedSize(54, 24);
    connect(manage, &QAbstractButton::clicked, this, &SimpleHomePage::manageRequested);
    listHeader->addWidget(manage);
    layout->addLayout(listHeader);

    if (app.quotes().isEmpty())
        layout->addWidget(
            label(u"还没有自选股，点右上角“管理”添加"_s, u"A1A6B8"_s, 12, this, Qt::AlignCenter));
    for (const Quote &q : app.quotes()) {
        auto *row = new QPushButton(this);
        row->setCursor(Qt::PointingHandCursor);
        row->setFixedHeight(46);
        row->setStyleSheet(u"QPushButton { background: #101116; border: 1px solid #202431;"
                           " border-radius: 8px; } QPushButton:hover { background: #141722;"
                           " border-color: #343A4A; }"_s);
        auto *rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(14, 4, 14, 4);
        auto *names = new QVBoxLayout;
        names->setSpacing(0);
        names->addWidget(label(q.name, u"DDE1EA"_s, 12, row));
        names->addWidget(label(q.symbol.toUpper(), u"747A8E"_s, 9, row));
        rowLayout->addLayout(names);
        rowLayout->addStretch();
        const bool valid = q.price > 0 && q.previousClose > 0;
        rowLayout->addWidget(label(valid ? formatPrice(q.price) : u"--"_s, u"F4F6FB"_s, 13, row,
                                   Qt::AlignRight | Qt::AlignVCenter));
        rowLayout->addWidget(label(valid ? formatPercent(q.changePercent()) : u"等待行情"_s,
                                   valid ? accentFor(q) : u"747A8E"_s, 11, row,
                                   Qt::AlignRight | Qt::AlignVCenter));
        const QString symbol = q.symbol;
        connect(row, &QPushButton::clicked, this, [this, symbol] { Q_EMIT quoteClicked(symbol); });
        layout->addWidget(row);
    }
    layout->addStretch();
    adjustSize();
}
