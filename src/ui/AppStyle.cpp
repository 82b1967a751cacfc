// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppStyle.h"

#include "presentation/Palette.h"
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
    QPalette palette;
    palette.setColor(QPalette::Window, Palette::windowBackground);
    palette.setColor(QPalette::WindowText, Palette::controlText);
    palette.setColor(QPalette::Base, Palette::fieldBase);
    palette.setColor(QPalette::AlternateBase, Palette::rowHover);
    palette.setColor(QPalette::Text, Palette::titleText);
    palette.setColor(QPalette::PlaceholderText, Palette::placeholderText);
    palette.setColor(QPalette::Button, Palette::buttonFace);
    palette.setColor(QPalette::ButtonText, Palette::controlText);
    palette.setColor(QPalette::BrightText, Palette::brightText);
    palette.setColor(QPalette::Highlight, Palette::selection);
    palette.setColor(QPalette::HighlightedText, Palette::brightText);
    palette.setColor(QPalette::Link, Palette::link);
    palette.setColor(QPalette::ToolTipBase, Palette::tooltipBackground);
    palette.setColor(QPalette::ToolTipText, Palette::tooltipText);
    palette.setColor(QPalette::Light, Palette::buttonBorder);
    palette.setColor(QPalette::Midlight, Palette::rowBorder);
    palette.setColor(QPalette::Mid, Palette::rowBorder);
    palette.setColor(QPalette::Dark, Palette::shadow);
    palette.setColor(QPalette::Shadow, Palette::shadow);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, Palette::disabledText);
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
HoldingEditor QComboBox {
    background: transparent; border: none; color: #F4F4F5; padding-left: 4px;
}
HoldingEditor QComboBox QAbstractItemView {
    background: #10131D; color: #F4F4F5; border: 1px solid #263044; outline: none;
    selection-background-color: #26324D; selection-color: #F4F6FB;
}
AISettingsPage QLineEdit, HoldingEditor QLineEdit {
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
