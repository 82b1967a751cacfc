// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Typography.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kHanFamily = u"Noto Sans CJK SC"_s;

QString generalFamily()
{
    static const QString family = [] {
        const QString f = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        return f.isEmpty() ? u"DejaVu Sans"_s : f;
    }();
    return family;
}

bool hasTabularDigits(const QString &family)
{
    if (!QFontDatabase::hasFamily(family))
        return false;
    QFont font(family);
    font.setPixelSize(20);
    const QFontMetricsF metrics(font);
    const qreal advance = metrics.horizontalAdvance(u'0');
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (std::abs(metrics.horizontalAdvance(QChar(digit)) - advance) > 0.01)
            return false;
    }
    return advance > 0;
}

QString digitFamily()
{
    static const QString family = [] {
        for (const QString &candidate :
             {kHanFamily, generalFamily(), u"DejaVu Sans"_s, u"Liberation Sans"_s}) {
            if (hasTabularDigits(candidate))
                return candidate;
        }
        return generalFamily();
    }();
    return family;
}

QFont makeFont(const QString &leading, qreal size, FontWeight weight)
{
    QFont font;
    font.setFamilies(QStringList{leading, kHanFamily});
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    switch (weight) {
    case FontWeight::Regular:
        font.setWeight(QFont::Normal);
        break;
    case FontWeight::Medium:
        font.setWeight(QFont::Medium);
        break;
    case FontWeight::Semibold:
        font.setWeight(QFont::DemiBold);
        break;
    }
    return font;
}

} // namespace

QFont Typography::systemFont(qreal size, FontWeight weight)
{
    return makeFont(generalFamily(), size, weight);
}

QFont Typography::monospacedDigitFont(qreal size, FontWeight weight)
{
    return makeFont(digitFamily(), size, weight);
}

qreal Typography::textWidth(const QString &text, const QFont &font)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

qreal Typography::fittingFontSize(qreal preferred, qreal minimum, qreal available,
                                  const std::function<qreal(qreal size)> &widthAtSize)
{
    qreal size = preferred;
    while (size > minimum && widthAtSize(size) > available)
        size -= 0.5;
    return std::max(size, minimum);
}

qreal Typography::figureFontSize(const QString &figure, qreal preferred, qreal available,
                                 FontWeight weight)
{
    return Typography::fittingFontSize(preferred, 11, available, [&figure, weight](qreal size) {
        return Typography::textWidth(figure, Typography::monospacedDigitFont(size, weight));
    });
}
