// SPDX-License-Identifier: GPL-3.0-or-later
// Eastmoney board tags: the F10 concept page and the quote service's industry and concept
// fields, each read from the same answer.
#include "FuzzSupport.h"

#include "market/Eastmoney.h"

#include <QJsonDocument>

KESTRUM_FUZZ_INITIALIZE()

KESTRUM_FUZZ_MUTATOR(fuzz::mutateJson)

static void checkTags(const QStringList &tags)
{
    fuzz::check(tags.size() <= 2, "at most two board tags", tags.join(u'|'));
    for (const QString &tag : tags) {
        fuzz::check(!tag.isEmpty() && tag == tag.trimmed(), "board tags are trimmed and not empty",
                    tag);
        fuzz::check(tags.count(tag) == 1, "board tags are distinct", tag);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument json = QJsonDocument::fromJson(fuzz::bytesOf(data, size));
    checkTags(eastmoney::boardTagsFromF10(json));
    checkTags(eastmoney::boardTagsFromStock(json));
    return 0;
}
