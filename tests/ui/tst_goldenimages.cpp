// SPDX-License-Identifier: GPL-3.0-or-later
//
// The pixels of every surface: each image of the snapshot export, and a few states it does
// not show, rendered from the export's fixed data and compared with the reference PNG of
// the same name in tests/golden/ (same size; the tolerance is explained at kTolerance).
// A failing row names the directory below the build tree where it wrote the rendered image
// (<name>.actual.png) and the difference (<name>.diff.png, differing pixels in red).
//
// After an intended change to the interface, render new references and review them in the
// diff before committing:
//     make golden-accept
// (the same as `KESTRUM_GOLDEN_ACCEPT=1 ctest -R tst_goldenimages` in the build directory).
//
// Every row also checks that each text either fits its frame or ends in "…" where it is cut.
#include "GoldenImage.h"
#include "TestSupport.h"

#include "app/KestrumApp.h"
#include "app/WatchlistManager.h"
#include "model/HoldingTotals.h"
#include "ui/AppShell.h"
#include "ui/AppStyle.h"
#include "ui/ExchangeRatesDialog.h"
#include "ui/FixtureSession.h"
#include "ui/FlatButton.h"
#include "ui/HoldingEditor.h"
#include "ui/HomePage.h"
#include "ui/Label.h"
#include "ui/MainWindowView.h"
#include "ui/QuickActionsMenu.h"
#include "ui/QuoteDetailPage.h"
#include "ui/TextView.h"
#include "ui/Typography.h"
#include "ui/ViewExporter.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <map>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// Glyph edges may come out a step or two apart where the raster engine takes another SIMD
// path on another processor; 8 of 255 on a channel absorbs that, while a changed palette
// colour (steps of 16 and more) or a moved edge (a row of pixels) goes far beyond it. The
// few pixels allowed past it are fewer than the smallest drawn element covers.
constexpr GoldenImage::Tolerance kTolerance{8, 8};

// References are half the export's scale (popover pages at 2x, the desktop window at 1x):
// the same layout in a quarter of the bytes.
constexpr int kScaleDivisor = 2;

const QColor kBackground(0x09, 0x0A, 0x0F);

// Each text that is neither whole in its frame nor cut with "…", by where it is.
QStringList cutTexts(const QWidget *root)
{
    QStringList cut;
    const auto where = [](const QWidget *widget, const QString &text) -> QString {
        return widget->objectName() + u": "_s + text;
    };
    for (const Label *label : root->findChildren<Label *>()) {
        const QString shown = label->displayedText();
        if (shown.isEmpty() || !label->isVisibleTo(root))
            continue;
        const bool elided = shown != QString(label->text()).replace(u'\n', u' ');
        if (Typography::textWidth(shown, label->font()) > label->width() + 0.5 ||
            (elided && !shown.endsWith(u'…')))
            cut << where(label, label->text());
    }
    for (const FlatButton *button : root->findChildren<FlatButton *>()) {
        const QString shown = button->displayedText();
        if (button->isVisibleTo(root) && shown != button->text() && !shown.endsWith(u'…'))
            cut << where(button, button->text());
    }
    for (const TextView *text : root->findChildren<TextView *>()) {
        const QSizeF used = TextView::layoutSize(text->text(), text->font(), text->width(),
                                                 text->lineSpacing(), text->paragraphSpacing());
        if (text->isVisibleTo(root) && used.height() > text->height() + 0.5)
            cut << where(text, text->text());
    }
    return cut;
}

struct Rendered
{
    QImage image;
    QStringList cut;
};

Rendered renderView(QWidget &widget, int scale, const QColor &background)
{
    // A loop that never ends (a breathing text, a pulsing dot) is drawn at its start, not
    // wherever the clock has taken it.
    for (QAbstractAnimation *animation : widget.findChildren<QAbstractAnimation *>()) {
        if (animation->totalDuration() < 0) {
            animation->pause();
            animation->setCurrentTime(0);
        }
    }
    Rendered out;
    out.image = ViewExporter::render(widget, std::max(1, scale / kScaleDivisor), background);
    out.cut = cutTexts(&widget);
    return out;
}

} // namespace

class TestGoldenImages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QTemporaryDir store;
        FixtureSession session(store.path());
        AppShell &shell = session.shell();
        for (ViewExporter::View &view : ViewExporter::buildViews(shell)) {
            QVERIFY2(view.widget, qPrintable(view.name));
            m_rendered[view.name] = renderView(*view.widget, view.scale, view.background);
        }
        // States the export does not show. The desktop window on the third stock (a rise),
        // its row selected.
        KestrumApp &app = session.app();
        // Rows named "<reference> <how>" draw a view updated in place from another state,
        // which must look exactly as the fresh build of the new one: here another selection
        // at another size.
        app.settings().mainSection = MainSection::Overview;
        const MainWindowData firstSelected = shell.presenter().mainWindowData();
        app.settings().mainDetailSymbol = app.quotes().at(2).symbol;
        const MainWindowData thirdSelected = shell.presenter().mainWindowData();
        add(u"desktop-selected"_s, 2,
            ViewExporter::desktopView(shell, thirdSelected, QSize(980, 720)));
        addUpdated(
            u"desktop-selected after a move and a resize"_s, 2,
            ViewExporter::desktopView(shell, firstSelected, QSize(1180, 860)), [&](QWidget *w) {
                return static_cast<MainWindowView *>(w)->setData(thirdSelected, QSize(980, 720));
            });
        // Its watchlist section, and the popover's manager while a name is being typed.
        app.settings().mainSection = MainSection::Watchlist;
        add(u"desktop-watchlist"_s, 2,
            ViewExporter::desktopView(shell, shell.presenter().mainWindowData(), QSize(980, 720)));
        app.settings().mainSection = MainSection::Overview;
        shell.watchlistManager().setInputText(u"招商"_s);
        add(u"watchlist-manager-typing"_s, 4, shell.makeWatchlistPopoverController());
        shell.watchlistManager().setInputText(QString());
        // The quick-actions menu with its pointer on an item, in the application's style.
        QuickActionsMenu &menu = shell.quickActionsMenu();
        menu.setActiveAction(menu.actions().at(1));
        m_rendered[u"quick-actions"_s] = renderView(menu, 4, kBackground);
        const HomePageData fiveRows = shell.homePageData();
        const QuoteDetailData firstDetail = shell.presenter().quoteDetailData(app.quotes().first());
        // The user's stake: positions in a fall (with its cost), a rise and a stock bought
        // without a cost price, bells on a held and an unheld stock; each surface with and
        // without them, either way in place.
        const auto staked = [](auto rows) {
            const std::tuple<int, QString, int, bool> stakes[] = {
                {0, u"今日 -2,010.00"_s, -1, true},
                {1, QString(), 0, true},
                {2, u"今日 +900.00"_s, 1, false},
                {3, u"今日 +435.00"_s, 1, false}};
            for (const auto &[i, text, direction, armed] : stakes) {
                rows[i].holdingText = text;
                rows[i].holdingDirection = direction;
                rows[i].alertsArmed = armed;
            }
            return rows;
        };
        // Their totals beside a Hong Kong or a US position, one waiting for its price.
        const auto totals = [](const HoldingFigures &foreign, const ExchangeRates &rates,
                               bool unpriced) {
            HoldingTotals sum;
            for (const HoldingFigures &figures :
                 {HoldingFigures{{1000, 78.5}, Currency::CNY, 82100, -2010, 3600, 4.59},
                  HoldingFigures{{2000, 12.0}, Currency::CNY, 25800, 900, 1800, 7.5},
                  HoldingFigures{{300, std::nullopt}, Currency::CNY, 9543, 435, {}, {}}, foreign})
                sum.add(figures);
            if (unpriced)
                sum.addUnpriced();
            return HoldingTotalsData::from(sum, rates);
        };
        const HoldingFigures hongKong{{200, 380.0}, Currency::HKD, 84400, 1200, 8400, 11.05};
        HomePageData fiveStaked = fiveRows;
        fiveStaked.rows = staked(fiveRows.rows);
        fiveStaked.holdingTotals = totals(hongKong, {0.92, 7.1}, false);
        add(u"overview-holdings"_s, 4, new HomePage(fiveStaked));
        HomePageData otherTotals = fiveRows;
        otherTotals.holdingTotals = totals(hongKong, {0.5, std::nullopt}, false);
        addUpdated(u"overview-holdings gained"_s, 4, new HomePage(otherTotals),
                   [&](QWidget *w) { return static_cast<HomePage *>(w)->setData(fiveStaked); });
        HomePageData marksOnly = fiveStaked;
        marksOnly.holdingTotals.reset();
        addUpdated(u"overview holdings gone"_s, 4, new HomePage(marksOnly),
                   [&](QWidget *w) { return static_cast<HomePage *>(w)->setData(fiveRows); });
        QuoteDetailData heldDetail = firstDetail;
        heldDetail.market.holding = HoldingLineData{u"1,000 股"_s,  u"78.50"_s, u"82,100.00"_s,
                                                    u"-2,010.00"_s, -1,         u"+3,600.00"_s,
                                                    u"+4.59%"_s,    1};
        add(u"detail-holding"_s, 4, new QuoteDetailPage(heldDetail, shell.cardActions()));
        const auto detailUpdated = [&](const QuoteDetailData &to) {
            return [&, to](QWidget *w) {
                return static_cast<QuoteDetailPage *>(w)->setData(to);
            };
        };
        addUpdated(u"detail-holding gained"_s, 4,
                   new QuoteDetailPage(firstDetail, shell.cardActions()),
                   detailUpdated(heldDetail));
        addUpdated(u"detail-sz002460 holding gone"_s, 4,
                   new QuoteDetailPage(heldDetail, shell.cardActions()),
                   detailUpdated(firstDetail));
        // The form of a held stock with two conditions, the first fired today, under the
        // "关闭提醒" preset.
        const Quote &held = firstDetail.market.quote;
        PriceAlert firedToday{
            PriceAlert::Kind::Above, 90, PriceAlert::Repeat::Daily, u"2026-04-28"_s, {}};
        PriceAlert drop{PriceAlert::Kind::ChangeBelow, -3, PriceAlert::Repeat::Once, {}, {}};
        auto *editor = new HoldingEditor(shell.watchlistManager());
        editor->edit({held.symbol,
                      held.name,
                      Holding{1000, 78.5},
                      {firedToday, drop},
                      u"2026-04-28"_s,
                      true});
        editor->hide();
        add(u"holding-editor"_s, 4, editor);
        // The desktop on the stock bought without a cost price.
        app.settings().mainDetailSymbol = app.quotes().at(3).symbol;
        MainWindowData desktopStaked = shell.presenter().mainWindowData();
        desktopStaked.rows = staked(desktopStaked.rows);
        desktopStaked.detail->cards.market.holding = HoldingLineData{
            u"300 股"_s, u"--"_s, u"9,543.00"_s, u"+435.00"_s, 1, u"--"_s, QString(), 0};
        desktopStaked.holdingTotals = totals({{50, 180.0}, Currency::USD, 9600, -85.5, 600, 6.67},
                                             {0.92, std::nullopt}, true);
        add(u"desktop-holdings"_s, 2,
            ViewExporter::desktopView(shell, desktopStaked, QSize(980, 720)));
        addUpdated(
            u"desktop-holdings gained"_s, 2,
            ViewExporter::desktopView(shell, firstSelected, QSize(980, 720)), [&](QWidget *w) {
                return static_cast<MainWindowView *>(w)->setData(desktopStaked, QSize(980, 720));
            });
        // The list takes the room back when the totals go.
        app.settings().mainDetailSymbol = shell.presenter().mainDisplayQuotes().first().symbol;
        const MainWindowData overview = shell.presenter().mainWindowData();
        MainWindowData overviewStaked = overview;
        overviewStaked.holdingTotals = desktopStaked.holdingTotals;
        addUpdated(u"desktop-overview holdings gone"_s, 2,
                   ViewExporter::desktopView(shell, overviewStaked, QSize(980, 720)),
                   [&](QWidget *w) {
                       return static_cast<MainWindowView *>(w)->setData(overview, QSize(980, 720));
                   });
        app.settings().mainDetailSymbol = app.quotes().at(2).symbol;
        // The rates dialog refusing a value.
        auto *rates =
            new ExchangeRatesDialog({0.92, std::nullopt}, [](auto &&...) { return true; });
        rates->usdField()->setText(u"七"_s);
        QVERIFY(!rates->save());
        add(u"exchange-rates"_s, 4, rates);
        // Six stocks, so the popover's list scrolls: the first suspended since before launch
        // (the quote service sends no price for it, so it waits as a placeholder), the last with a
        // four-digit price that must keep its column.
        QList<Quote> fetched = app.quotes().mid(1);
        Quote moutai = fetched.first();
        moutai.symbol = u"sh600519"_s;
        moutai.name = u"贵州茅台"_s;
        moutai.previousClose = 1450;
        moutai.price = 1468.2;
        moutai.open = 1451;
        moutai.high = 1472.5;
        moutai.low = 1446.3;
        fetched.append(moutai);
        QJsonArray watchlist = app.config().loadWatchlist();
        watchlist.append(QJsonObject{{u"symbol"_s, moutai.symbol}, {u"name"_s, moutai.name}});
        app.setQuotes(fetched);
        app.setQuotes(app.mergedQuotesForWatchItems(watchlist, fetched));
        const Quote suspended = app.quotes().first();
        const HomePageData sixRows = shell.homePageData();
        add(u"overview-six"_s, 4, shell.makeHomePage());
        addUpdated(u"overview-six grown from five"_s, 4, new HomePage(fiveRows),
                   [&](QWidget *w) { return static_cast<HomePage *>(w)->setData(sixRows); });
        add(u"detail-suspended"_s, 4, shell.makeQuoteDetailPopoverController(suspended));
        addUpdated(u"detail-suspended after its price"_s, 4,
                   new QuoteDetailPage(firstDetail, shell.cardActions()), [&](QWidget *w) {
                       return static_cast<QuoteDetailPage *>(w)->setData(
                           shell.presenter().quoteDetailData(suspended));
                   });
        app.settings().mainDetailSymbol = moutai.symbol;
        add(u"desktop-six"_s, 2,
            ViewExporter::desktopView(shell, shell.presenter().mainWindowData(), QSize(980, 720)));
        addUpdated(u"desktop-six grown from five"_s, 2,
                   ViewExporter::desktopView(shell, thirdSelected, QSize(980, 720)),
                   [&](QWidget *w) {
                       return static_cast<MainWindowView *>(w)->setData(
                           shell.presenter().mainWindowData(), QSize(980, 720));
                   });
        // The popover of an empty watchlist.
        app.setQuotes({});
        add(u"overview-empty"_s, 4, shell.makeHomePage());
        addUpdated(u"overview-empty emptied"_s, 4, new HomePage(sixRows), [&](QWidget *w) {
            return static_cast<HomePage *>(w)->setData(shell.homePageData());
        });
    }

    void image_data()
    {
        QTest::addColumn<QString>("name");
        for (const auto &[name, rendered] : m_rendered)
            QTest::newRow(qPrintable(name)) << name;
    }

    void image()
    {
        QFETCH(QString, name);
        const Rendered &rendered = m_rendered.at(name);
        const QString reference = TestSupport::cacheValue(u"Kestrum_SOURCE_DIR"_s) +
                                  u"/tests/golden/"_s + name.section(u' ', 0, 0) + u".png"_s;
        if (qEnvironmentVariableIntValue("KESTRUM_GOLDEN_ACCEPT") == 1) {
            if (name.contains(u' '))
                return; // the fresh build's row writes the reference
            QVERIFY2(GoldenImage::writeReference(rendered.image, reference), qPrintable(reference));
        } else {
            const QString failures = TestSupport::buildPath(u"tests/golden-failures"_s);
            const QString problem =
                GoldenImage::compare(rendered.image, reference, failures, kTolerance);
            QVERIFY2(problem.isEmpty(), qPrintable(problem + u"\nfonts: "_s + fonts()));
        }
        QVERIFY2(rendered.cut.isEmpty(), qPrintable(rendered.cut.join(u'\n')));
    }

private:
    void add(const QString &name, int scale, QWidget *widget)
    {
        const std::unique_ptr<QWidget> owned(widget);
        m_rendered[name] = renderView(*widget, scale, kBackground);
    }
    void addUpdated(const QString &name, int scale, QWidget *widget,
                    const std::function<bool(QWidget *)> &update)
    {
        std::unique_ptr<QWidget> owned(widget);
        QVERIFY2(update(widget), qPrintable(name));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        add(name, scale, owned.release());
    }
    // What the fonts resolved to, for a failure that comes from a different font set.
    static QString fonts()
    {
        return QFontInfo(Typography::systemFont(13)).family() + u", "_s +
               QFontInfo(Typography::monospacedDigitFont(13)).family();
    }

    std::map<QString, Rendered> m_rendered;
};

int main(int argc, char **argv)
{
    // The same pixels on every machine: drawn off screen at a device pixel ratio of one, the
    // fonts from the system's configuration alone (not a user's ~/.fonts).
    for (const char *variable : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI",
                                 "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR_ROUNDING_POLICY"})
        qunsetenv(variable);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QApplication application(argc, argv);
    AppStyle::apply(application);
    TestGoldenImages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_goldenimages.moc"
