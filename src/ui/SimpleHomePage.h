#pragma once

#include <QWidget>

class KestrumApp;

// A plain list of the current quotes: the popover's page until the full home page exists.
class SimpleHomePage : public QWidget
{
    Q_OBJECT
public:
    explicit SimpleHomePage(const KestrumApp &app, bool firstLaunchHint, QWidget *parent = nullptr);

Q_SIGNALS:
    void quoteClicked(const QString &symbol);
    // The "管理" button: open the watchlist manager.
    void manageRequested();
};
