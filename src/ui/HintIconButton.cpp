#include "ui/HintIconButton.h"

HintIconButton::HintIconButton(QWidget *parent)
    : FlatButton(parent)
{}
