// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HintIconButton.h"

HintIconButton::HintIconButton(QWidget *parent)
    : FlatButton(parent)
{}
