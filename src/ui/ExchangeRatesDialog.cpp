// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ExchangeRatesDialog.h"

#include "config/WatchItemInput.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

ExchangeRatesDialog::ExchangeRatesDialog(const ExchangeRates &rates, Saver save, QWidget *parent)
    : QDialog(parent)
    , m_saver(std::move(save))
{
    setObjectName(u"exchangeRatesDialog"_s);
    setWindowTitle(u"设置汇率"_s);
    setFixedSize(kWidth, kHeight);
    Toolkit::addPageBackground(this);

    Toolkit::label(this, QRectF(18, kHeight - 40, 160, 20), u"设置汇率"_s, 14, FontWeight::Semibold,
                   Palette::titleText);
    m_hkd = field(u"港元"_s, kHeight - 92, rates.hkd);
    m_hkd->setObjectName(u"hkdRate"_s);
    m_usd = field(u"美元"_s, kHeight - 134, rates.usd);
    m_usd->setObjectName(u"usdRate"_s);

    TextView *note = Toolkit::textViewWithFrame(
        this, QRectF(18, 76, kWidth - 36, 38),
        u"汇率由你自己填写，只用于把港股、美股持仓折合成人民币合计；留空则不折合。"_s, 11,
        Palette::subtleText);
    note->setParagraphSpacing(0);
    m_message = Toolkit::label(this, QRectF(18, 56, kWidth - 36, 16), QString(), 10,
                               FontWeight::Medium, Palette::warning);
    m_message->setObjectName(u"ratesMessage"_s);
    m_message->setTruncatesAtEnd(true);

    FlatButton *cancel = Toolkit::footerButton(this, u"取消"_s, QRectF(18, 16, 134, 32));
    cancel->setObjectName(u"cancelButton"_s);
    connect(cancel, &FlatButton::clicked, this, &QDialog::reject);
    m_save = Toolkit::footerButton(this, u"保存"_s, QRectF(168, 16, 134, 32));
    m_save->setObjectName(u"saveButton"_s);
    connect(m_save, &FlatButton::clicked, this, &ExchangeRatesDialog::save);
}

QLineEdit *ExchangeRatesDialog::field(const QString &currency, qreal y,
                                      const std::optional<double> &rate)
{
    Toolkit::label(this, QRectF(18, y + 6, 68, 20), u"1 "_s + currency + u" ="_s, 13,
                   FontWeight::Medium, Palette::rowName);
    Toolkit::label(this, QRectF(272, y + 6, 30, 20), u"元"_s, 13, FontWeight::Medium,
                   Palette::rowName);
    QLineEdit *input =
        Toolkit::fieldInWell(this, QRectF(86, y, 176, 32), QRectF(98, y + 6, 152, 20));
    input->setStyleSheet(u"QLineEdit { background: transparent; border: none; padding: 0px; }"_s);
    input->setPlaceholderText(u"未设置"_s);
    input->setAccessibleName(u"1 "_s + currency + u"折合人民币元数"_s);
    if (rate)
        input->setText(QString::number(*rate, 'g', 12));
    connect(input, &QLineEdit::returnPressed, this, &ExchangeRatesDialog::save);
    return input;
}

QString ExchangeRatesDialog::message() const
{
    return m_message->text();
}

bool ExchangeRatesDialog::save()
{
    ExchangeRates rates;
    const std::pair<QLineEdit *, std::optional<double> *> fields[] = {{m_hkd, &rates.hkd},
                                                                      {m_usd, &rates.usd}};
    for (const auto &[input, rate] : fields) {
        // Both are checked before anything is stored.
        const QString problem = WatchItemInput::exchangeRateFromText(input->text(), rate);
        if (!problem.isEmpty()) {
            m_message->setText((input == m_hkd ? u"港元"_s : u"美元"_s) + problem);
            input->setFocus();
            return false;
        }
    }
    QString why;
    if (!m_saver(rates, &why)) {
        m_message->setText(why);
        return false;
    }
    m_message->setText(QString());
    accept();
    return true;
}
