// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/TrackedJsonFile.h"

TrackedJsonFile::TrackedJsonFile(const QString &path, JsonFile::Accepts accepts)
    : m_path(path)
    , m_accepts(std::move(accepts))
{}

std::optional<QJsonDocument> TrackedJsonFile::readAccepted() const
{
    std::optional<QJsonDocument> document = JsonFile::read(m_path);
    if (document && !m_accepts(*document))
        return std::nullopt;
    return document;
}

std::optional<QJsonDocument> TrackedJsonFile::load(JsonFile::KeptAside *keptAside)
{
    const FileIdentity found = FileIdentity::of(m_path);
    const JsonFile::KeptAside kept = JsonFile::keepAsideIfUnreadable(m_path, m_accepts);
    if (keptAside)
        *keptAside = kept;
    // A file that could not be copied stays unknown, so no write replaces it unchecked.
    if (kept.mayReplace())
        m_known = found;
    else
        m_known.reset();
    return kept.unreadable ? std::nullopt : readAccepted();
}

bool TrackedJsonFile::hasChangedOnDisk() const
{
    return !m_known || *m_known != FileIdentity::of(m_path);
}

std::optional<QJsonDocument> TrackedJsonFile::readChanged()
{
    const FileIdentity found = FileIdentity::of(m_path);
    std::optional<QJsonDocument> document = readAccepted();
    if (document || !found.exists)
        m_known = found;
    return document;
}

bool TrackedJsonFile::write(const QJsonDocument &document, JsonFile::KeptAside *keptAside)
{
    if (hasChangedOnDisk()) {
        const JsonFile::KeptAside kept = JsonFile::keepAsideIfUnreadable(m_path, m_accepts);
        if (keptAside)
            *keptAside = kept;
        if (!kept.mayReplace())
            return false;
    }
    if (!JsonFile::writePretty(m_path, document)) {
        m_known.reset(); // whatever is there now is looked at again before the next write
        return false;
    }
    m_known = FileIdentity::of(m_path);
    return true;
}
