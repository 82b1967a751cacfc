// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/FlatButton.h"

// A row's text column made the row's edit action: a transparent button over the name that
// draws nothing at rest, and a small "编辑" mark at its right end while the pointer is over it
// or the keyboard has reached it. Space, Return and Enter press it, as any FlatButton.
class EditColumnButton : public FlatButton
{
    Q_OBJECT
public:
    explicit EditColumnButton(QWidget *parent = nullptr);

    bool showsMark() const { return underMouse() || showsFocusRing(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
