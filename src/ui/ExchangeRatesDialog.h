// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/HoldingTotals.h"

#include <QDialog>
#include <QString>

#include <functional>

class FlatButton;
class Label;
class QLineEdit;

// The user's own exchange rates ("1 港元 = [ ] 元", "1 美元 = [ ] 元"), used only to add
// Hong Kong and US positions into a yuan total. An empty field forgets that rate; a value
// that is no sane rate is refused with a message and nothing is stored. Non-modal: the
// refresh goes on behind it.
class ExchangeRatesDialog : public QDialog
{
    Q_OBJECT
public:
    // Stores the rates, or says why it could not.
    using Saver = std::function<bool(const ExchangeRates &rates, QString *why)>;

    ExchangeRatesDialog(const ExchangeRates &rates, Saver save, QWidget *parent = nullptr);

    QLineEdit *hkdField() const { return m_hkd; }
    QLineEdit *usdField() const { return m_usd; }
    FlatButton *saveButton() const { return m_save; }
    // The last refusal or failure; empty while there is none.
    QString message() const;

    // Both fields read and stored, the dialog closed; on a refused value or a failed save it
    // stays open and says why.
    bool save();

    static constexpr int kWidth = 320;
    static constexpr int kHeight = 264;

private:
    QLineEdit *field(const QString &currency, qreal y, const std::optional<double> &rate);

    Saver m_saver;
    QLineEdit *m_hkd = nullptr;
    QLineEdit *m_usd = nullptr;
    Label *m_message = nullptr;
    FlatButton *m_save = nullptr;
};
