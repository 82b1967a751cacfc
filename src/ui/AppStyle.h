// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPalette>
#include <QProxyStyle>
#include <QString>

class QApplication;

// The look of everything Kestrum does not draw itself (tooltips, menus, the menu bar, check
// boxes, pop-up lists, text fields, message boxes), in the dark palette and the accents of
// the surfaces, kept in this one place and applied once to the whole application: a palette,
// one style sheet, and this style beneath them for what a style sheet cannot reach early
// enough (a secret field's mask character is chosen when the field is made).
class AppStyle : public QProxyStyle
{
    Q_OBJECT
public:
    AppStyle();

    static QPalette appPalette();
    static QString styleSheet();
    // Installs the style, the palette and the style sheet on the application, and what
    // assistive technology reads from the painted widgets.
    static void apply(QApplication &application);

    // A small bullet: the CJK font's U+25CF is a full-width disc.
    static constexpr char16_t kPasswordCharacter = 0x2219;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
};
