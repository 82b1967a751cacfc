// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppStyle.h"

#include "ui/PaintedAccessible.h"
#include "ui/Toolkit.h"

#include <QApplication>
#include <QToolTip>

using namespace Qt::StringLiterals;

AppStyle::AppStyle()
    : QProxyStyle()
{}

int AppStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                        QStyleHintReturn *returnData) const
{
    if (hint == SH_LineEdit_PasswordCharacter)
        return kPasswordCharacter;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QPalette AppStyle::appPalette()
{
    const auto hex = Toolkit::colorWithHex;
    QPalette palette;
    palette.setColor(QPalette::Window, hex(u"0D1018"_s));
    palette.setColor(QPalette::WindowText, hex(u"D7DAE5"_s));
    palette.setColor(QPalette::Base, hex(u"10131B"_s));
    palette.setColor(QPalette::AlternateBase, hex(u"141722"_s));
    palette.setColor(QPalette::Text, hex(u"F4F4F5"_s));
    palette.setColor(QPalette::PlaceholderText, hex(u"686D80"_s));
    palette.setColor(QPalette::Button, hex(u"151823"_s));
    palette.setColor(QPalette::ButtonText, hex(u"D7DAE5"_s));
    palette.setColor(QPalette::BrightText, hex(u"F4F6FB"_s));
    palette.setColor(QPalette::Highlight, hex(u"26324D"_s));
    palette.setColor(QPalette::HighlightedText, hex(u"F4F6FB"_s));
    palette.setColor(QPalette::Link, hex(u"93C5FD"_s));
    palette.setColor(QPalette::ToolTipBase, hex(u"0F1219"_s));
    palette.setColor(QPalette::ToolTipText, hex(u"E8EDF7"_s));
    palette.setColor(QPalette::Light, hex(u"2A2F40"_s));
    palette.setColor(QPalette::Midlight, hex(u"202431"_s));
    palette.setColor(QPalette::Mid, hex(u"202431"_s));
    palette.setColor(QPalette::Dark, hex(u"05070B"_s));
    palette.setColor(QPalette::Shadow, hex(u"05070B"_s));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, hex(u"5F6678"_s));
    return palette;
}

QString AppStyle::styleSheet()
{
    // Highlights in the selection blue of the lists, marks in the information blue; the AI
    // switch in the AI amber. Exclusive choices (QActionGroup) get radio marks.
    return uR"(
QToolTip {
    color: #E8EDF7; background-color: #0F1219; border: 1px solid #283243; padding: 4px 7px;
}
QMenuBar { background-color: #0D1018; color: #D7DAE5; }
QMenuBar::item { background: transparent; padding: 4px 10px; }
QMenuBar::item:selected, QMenuBar::item:pressed { background-color: #26324D; color: #F4F6FB; }
QMenu {
    background-color: #10131B; color: #DDE1EA; border: 1px solid #2A2F40; padding: 4px 0px;
}
QMenu::item { background: transparent; padding: 5px 22px 5px 30px; }
QMenu::item:selected { background-color: #26324D; color: #F4F6FB; }
QMenu::item:disabled { color: #5F6678; }
QMenu::separator { height: 1px; background: #202431; margin: 4px 10px; }
QMenu::indicator { width: 14px; height: 14px; left: 9px; }
QMenu::indicator:non-exclusive:checked { image: url(:/kestrum/ui/check.svg); }
QMenu::indicator:exclusive:checked { image: url(:/kestrum/ui/radio-on.svg); }
QMenu::indicator:exclusive:unchecked { image: url(:/kestrum/ui/radio-off.svg); }
QCheckBox#aiEnabledCheckbox { background: transparent; }
QCheckBox#aiEnabledCheckbox::indicator {
    width: 18px; height: 18px; border-radius: 5px; border: 1px solid #3A4256;
    background: #151823;
}
QCheckBox#aiEnabledCheckbox::indicator:hover { border-color: #6B4421; }
QCheckBox#aiEnabledCheckbox::indicator:checked {
    background: #F0B46A; border-color: #F0B46A; image: url(:/kestrum/ui/check-on-amber.svg);
}
QComboBox#aiProviderPopup {
    background: transparent; border: none; color: #F4F4F5; padding-left: 2px;
}
QComboBox#aiProviderPopup QAbstractItemView {
    background: #10131D; color: #F4F4F5; border: 1px solid #263044; outline: none;
    selection-background-color: #26324D; selection-color: #F4F6FB;
}
AISettingsPage QLineEdit {
    background: transparent; border: none; color: #F4F4F5; padding: 0px;
    selection-background-color: #2B3A55;
}
)"_s;
}

void AppStyle::apply(QApplication &application)
{
    QApplication::setStyle(new AppStyle);
    application.setPalette(appPalette());
    QToolTip::setPalette(appPalette());
    application.setStyleSheet(styleSheet());
    // The painted widgets read to a screen reader as what they show.
    PaintedAccessible::install();
}
