// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <utility>

namespace TestSupport {

// A fetcher that holds every request until the test answers it, as a slow network would.
// `Completion` is the callback type the fetcher is handed with each symbol.
template<typename Completion>
struct HeldRequests
{
    QHash<QString, int> calls;
    QList<std::pair<QString, Completion>> pending;

    auto fetcher()
    {
        return [this](const QString &symbol, Completion completion) {
            ++calls[symbol];
            pending.append({symbol, std::move(completion)});
        };
    }
    // Answers the oldest request for the symbol; false when there is none.
    template<typename Answer>
    bool answer(const QString &symbol, const Answer &answer)
    {
        for (qsizetype i = 0; i < pending.size(); ++i) {
            if (pending.at(i).first == symbol) {
                const Completion completion = pending.takeAt(i).second;
                completion(answer);
                return true;
            }
        }
        return false;
    }
};

} // namespace TestSupport
