// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/FlatButton.h"

// A small button that carries an explanation; the cards show `hintText` in a popover when
// it is clicked.
class HintIconButton : public FlatButton
{
    Q_OBJECT
public:
    explicit HintIconButton(QWidget *parent = nullptr);

    void setHintText(const QString &text) { m_hintText = text; }
    QString hintText() const { return m_hintText; }

private:
    QString m_hintText;
};
