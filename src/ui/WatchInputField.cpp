// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchInputField.h"

#include "app/WatchlistManager.h"
#include "presentation/Palette.h"
#include "ui/Frames.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include <QKeyEvent>

using namespace Qt::StringLiterals;

WatchInputField::WatchInputField(QWidget *parent, const QRectF &frame, WatchlistManager &manager)
    : QLineEdit(parent)
    , m_manager(manager)
{
    Frames::place(this, frame);
    setFrame(false);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setFont(Typography::systemFont(13));
    setTextMargins(0, 0, 0, 0);
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    colors.setColor(QPalette::Window, Qt::transparent);
    colors.setColor(QPalette::Text, Palette::titleText);
    colors.setColor(QPalette::PlaceholderText, Palette::placeholderText);
    colors.setColor(QPalette::Highlight, Palette::focusIndigo);
    colors.setColor(QPalette::HighlightedText, Palette::titleText);
    setPalette(colors);
    setPlaceholderText(placeholder());
    setText(manager.inputText());

    connect(this, &QLineEdit::textEdited, &manager, &WatchlistManager::setInputText);
    connect(&manager, &WatchlistManager::inputReset, this, [this] {
        if (!text().isEmpty())
            setText(QString()); // setText does not count as the user's edit
    });
    show();
}

QString WatchInputField::placeholder()
{
    return u"输入股票名称或代码"_s;
}

void WatchInputField::keyPressEvent(QKeyEvent *event)
{
    WatchlistManager::Command command = WatchlistManager::Command::Other;
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        command = WatchlistManager::Command::MoveUp;
        break;
    case Qt::Key_Down:
        command = WatchlistManager::Command::MoveDown;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        command = WatchlistManager::Command::InsertNewline;
        break;
    default:
        break;
    }
    if (command != WatchlistManager::Command::Other && m_manager.handleCommand(command)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
