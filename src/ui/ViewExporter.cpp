// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ViewExporter.h"

#include "app/KestrumApp.h"
#include "app/WatchlistManager.h"
#include "ui/AISettingsPage.h"
#include "ui/AppShell.h"
#include "ui/HomePage.h"
#include "ui/MainWindowView.h"
#include "ui/QuoteDetailPage.h"
#include "ui/StatusIcon.h"
#include "ui/Typography.h"
#include "ui/WatchlistSidebarView.h"

#include <QAbstractAnimation>
#include <QBuffer>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QSaveFile>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace ViewExporter {

namespace {

const QColor kBackground(0x09, 0x0A, 0x0F);
constexpr int kPopoverScale = 4;
constexpr int kDesktopScale = 2;
const QSize kDesktopSize(980, 720);
const QSize kDesktopMinimumSize(980, 560);

QSize naturalSize(QWidget &widget)
{
    widget.ensurePolished();
    if (QLayout *layout = widget.layout())
        layout->activate();
    QSize size = widget.size();
    if (!widget.testAttribute(Qt::WA_Resized) || size.isEmpty())
        size = widget.sizeHint().expandedTo(widget.minimumSize());
    return size.expandedTo(QSize(1, 1));
}

// Jumps every animation that ends to its end; ones that loop for ever (a breathing text, a
// pulsing dot) are drawn where they are.
void settleAnimations(QWidget &widget)
{
    for (QAbstractAnimation *animation : widget.findChildren<QAbstractAnimation *>()) {
        if (!animation->group() && animation->state() == QAbstractAnimation::Running &&
            animation->totalDuration() >= 0)
            animation->setCurrentTime(animation->totalDuration());
    }
}

} // namespace

QString fileNameForView(const QString &view, int scale)
{
    return view + u'@' + QString::number(scale) + u"x.png"_s;
}

QImage render(QWidget &widget, qreal scale, const QColor &background)
{
    const QSize size = naturalSize(widget);
    widget.resize(size);
    settleAnimations(widget);
    QImage image(std::max(1, int(std::lround(size.width() * scale))),
                 std::max(1, int(std::lround(size.height() * scale))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(background);
    widget.render(&image, QPoint(), QRegion(),
                  background.alpha() == 0 ? QWidget::DrawChildren
                                          : QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image;
}

bool writePng(const QImage &image, const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QWidget *statusItemFace(const QString &title, int direction)
{
    auto *face = new QWidget;
    face->setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QHBoxLayout(face);
    layout->setContentsMargins(4, 2, 6, 2);
    layout->setSpacing(4);
    auto *icon = new QLabel(face);
    icon->setPixmap(StatusIcon::icon(direction).pixmap(16, 16));
    layout->addWidget(icon);
    auto *text = new QLabel(title, face);
    text->setFont(Typography::monospacedDigitFont(13, FontWeight::Medium));
    text->setStyleSheet(u"color: #E8EAF0; background: transparent;"_s);
    layout->addWidget(text);
    face->setFixedHeight(22);
    face->adjustSize();
    return face;
}

QWidget *desktopView(AppShell &shell, const MainWindowData &data, const QSize &size)
{
    WatchlistManager &manager = shell.watchlistManager();
    auto *view = new MainWindowView(data, size, shell.cardActions(),
                                    [&manager](QWidget *parent, const QRectF &frame) -> QWidget * {
                                        return new WatchlistSidebarView(parent, frame, manager);
                                    });
    view->setFixedSize(size);
    return view;
}

std::vector<View> buildViews(AppShell &shell)
{
    std::vector<View> views;
    auto add = [&views](QWidget *widget, const QString &name, int scale, const QColor &background) {
        views.push_back({name, scale, background, std::unique_ptr<QWidget>(widget)});
    };
    KestrumApp &app = shell.app();

    add(statusItemFace(app.title(), app.titleDirection()), u"status-item"_s, kPopoverScale,
        Qt::transparent);

    const bool hint = shell.firstLaunchHintVisible();
    shell.setFirstLaunchHintVisible(false);
    add(shell.makeHomePage(), u"overview"_s, kPopoverScale, kBackground);
    shell.setFirstLaunchHintVisible(true);
    add(shell.makeHomePage(), u"overview-first-launch"_s, kPopoverScale, kBackground);
    shell.setFirstLaunchHintVisible(hint);

    for (const Quote &quote : app.quotes())
        add(shell.makeQuoteDetailPopoverController(quote), u"detail-"_s + quote.symbol.toLower(),
            kPopoverScale, kBackground);
    add(shell.makeAISettingsPage(), u"ai-settings"_s, kPopoverScale, kBackground);
    add(shell.makeWatchlistPopoverController(), u"watchlist-manager"_s, kPopoverScale, kBackground);

    // The desktop window's overview with the first listed stock, its state put back after:
    // at the usual size, at the smallest the window allows, and as a first launch finds it.
    AppSettings &settings = app.settings();
    const MainSection section = settings.mainSection;
    const QString detail = settings.mainDetailSymbol;
    const QList<Quote> ordered = shell.presenter().mainDisplayQuotes();
    settings.mainSection = MainSection::Overview;
    settings.mainDetailSymbol = ordered.isEmpty() ? QString() : ordered.first().symbol;
    const MainWindowData data = shell.presenter().mainWindowData();
    add(desktopView(shell, data, kDesktopSize), u"desktop-overview"_s, kDesktopScale, kBackground);
    add(desktopView(shell, data, kDesktopMinimumSize), u"desktop-compact"_s, kDesktopScale,
        kBackground);
    MainWindowData empty = data;
    empty.quotes.clear();
    empty.rows.clear();
    empty.detail.reset();
    empty.detailSymbol.clear();
    empty.holdingTotals.reset();
    add(desktopView(shell, empty, kDesktopSize), u"desktop-empty"_s, kDesktopScale, kBackground);
    settings.mainSection = section;
    settings.mainDetailSymbol = detail;
    return views;
}

Result exportViewsToDirectory(AppShell &shell, const QString &directory)
{
    Result result;
    QDir().mkpath(directory);
    for (View &view : buildViews(shell)) {
        const QString path = QDir(directory).filePath(fileNameForView(view.name, view.scale));
        if (view.widget && writePng(render(*view.widget, view.scale, view.background), path))
            result.written.append(path);
        else
            result.failed.append(path);
    }
    return result;
}

} // namespace ViewExporter
