// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

// The OpenAI-compatible services the user can pick from. Shared by the settings file
// (default base URL, provider key on save) and the AI settings page.
struct AIProviderPreset
{
    QString key;
    QString title;
    QString model;
    QString baseURL;
    // Fragment of the host name that identifies the provider inside a base URL.
    QString hostFragment;
};

namespace AIProviderPresets {

inline constexpr char16_t kDefaultModel[] = u"gpt-4o-mini";

const QList<AIProviderPreset> &all();
std::optional<AIProviderPreset> forKey(const QString &key);
QString defaultBaseURL();

// The preset key to select and save: a stored key that names a preset wins, otherwise the
// base URL decides, and anything unrecognised is "custom".
QString normalizedKey(const QString &provider, const QString &baseURL);

} // namespace AIProviderPresets
