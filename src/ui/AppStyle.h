#pragma once

#include <QPalette>
#include <QString>

class QApplication;

// The look of everything Kestrum does not draw itself (tooltips, menus, the menu bar, check
// boxes, pop-up lists, text fields, message boxes), in the dark palette and the accents of
// the surfaces, kept in this one place and applied once to the whole application.
namespace AppStyle {

QPalette palette();
QString styleSheet();
// Installs the palette and the style sheet on the application.
void apply(QApplication &application);

} // namespace AppStyle
