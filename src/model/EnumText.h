// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>

// One table of texts per enumeration: an `enum class` whose values run 0, 1, 2 ... names its
// texts by specialising EnumTexts with `static constexpr std::array<const char16_t *, N> texts`
// in the order of its values. Programs compare the values; the texts are only for showing,
// storing and reading back at a file's boundary.
template<typename E>
struct EnumTexts;

template<typename E>
QString toText(E value)
{
    return QString::fromUtf16(EnumTexts<E>::texts[static_cast<std::size_t>(value)]);
}

// The value whose text is exactly `text`; none for any other text.
template<typename E>
std::optional<E> fromText(QStringView text)
{
    const auto &texts = EnumTexts<E>::texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (text == QStringView(texts[i]))
            return static_cast<E>(i);
    }
    return std::nullopt;
}

// Every value, in the order of the table.
template<typename E>
constexpr auto enumValues()
{
    std::array<E, EnumTexts<E>::texts.size()> values{};
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<E>(i);
    return values;
}
