// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/LoginItemManager.h"

#include "config/JsonFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

LoginItemManager::LoginItemManager()
    : LoginItemManager(defaultAutostartDirectory(), defaultExecutablePath())
{}

LoginItemManager::LoginItemManager(const QString &autostartDirectory, const QString &executablePath)
    : m_directory(autostartDirectory)
    , m_executable(executablePath)
{}

QString LoginItemManager::defaultAutostartDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart"_s;
}

QString LoginItemManager::defaultExecutablePath()
{
    if (!QCoreApplication::instance())
        return {};
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

QString LoginItemManager::launchAgentURL() const
{
    QDir().mkpath(m_directory);
    return m_directory + u'/' + entryFileName();
}

bool LoginItemManager::isEnabled() const
{
    return QFileInfo::exists(m_directory + u'/' + entryFileName());
}

bool LoginItemManager::setEnabled(bool enabled) const
{
    const QString path = launchAgentURL();
    if (enabled)
        return JsonFile::writeAtomically(path, desktopEntry());
    QFile file(path);
    return !file.exists() || file.remove();
}

QString LoginItemManager::quotedExecArgument(const QString &argument)
{
    // Three layers, innermost first: the Exec quoting rule ('"', '`', '$' and '\' take a
    // backslash inside double quotes), field codes ('%' is written "%%"), then the
    // string-value escapes of every key ('\' becomes "\\", control characters \n \t \r).
    QString quoted = u"\""_s;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    quoted.replace(u'%', u"%%"_s);

    QString escaped;
    escaped.reserve(quoted.size() + 8);
    for (const QChar c : std::as_const(quoted)) {
        switch (c.unicode()) {
        case u'\\':
            escaped += u"\\\\"_s;
            break;
        case u'\n':
            escaped += u"\\n"_s;
            break;
        case u'\t':
            escaped += u"\\t"_s;
            break;
        case u'\r':
            escaped += u"\\r"_s;
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QByteArray LoginItemManager::desktopEntry() const
{
    // Autostart entries run once per login; AutoRestart=false says so to session managers
    // that would otherwise restart a client that quits.
    const QString text = u"[Desktop Entry]\n"
                         u"Type=Application\n"
                         u"Version=1.4\n"
                         u"Name=澄川 Kestrum\n"
                         u"Exec="_s +
                         quotedExecArgument(m_executable) +
                         u"\n"
                         u"Icon=com.orvell.kestrum\n"
                         u"Terminal=false\n"
                         u"StartupNotify=false\n"
                         u"X-GNOME-Autostart-enabled=true\n"
                         u"X-GNOME-AutoRestart=false\n"_s;
    return text.toUtf8();
}
