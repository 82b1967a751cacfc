// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/AIProviderPresets.h"

using namespace Qt::StringLiterals;

namespace AIProviderPresets {

const QList<AIProviderPreset> &all()
{
    static const QList<AIProviderPreset> presets = {
        {u"qwen"_s, u"通义千问"_s, u"qwen-plus"_s,
         u"https://dashscope.aliyuncs.com/compatible-mode/v1"_s, u"dashscope"_s},
        {u"deepseek"_s, u"DeepSeek"_s, u"deepseek-chat"_s, u"https://api.deepseek.com/v1"_s,
         u"deepseek"_s},
        {u"kimi"_s, u"Kimi"_s, u"kimi-k2.5"_s, u"https://api.moonshot.cn/v1"_s, u"moonshot"_s},
        {u"openai"_s, u"OpenAI"_s, u"gpt-4o-mini"_s, u"https://api.openai.com/v1"_s,
         u"api.openai.com"_s},
        {u"custom"_s, u"自定义服务"_s, QString(), QString(), QString()},
    };
    return presets;
}

std::optional<AIProviderPreset> forKey(const QString &key)
{
    for (const AIProviderPreset &preset : all()) {
        if (preset.key == key)
            return preset;
    }
    return std::nullopt;
}

QString defaultBaseURL()
{
    return forKey(u"openai"_s)->baseURL;
}

QString normalizedKey(const QString &provider, const QString &baseURL)
{
    if (!provider.isEmpty() && forKey(provider))
        return provider;
    const QString url = baseURL.toLower();
    for (const QString &key : {u"qwen"_s, u"deepseek"_s, u"kimi"_s, u"openai"_s}) {
        if (url.contains(forKey(key)->hostFragment))
            return key;
    }
    return u"custom"_s;
}

} // namespace AIProviderPresets
