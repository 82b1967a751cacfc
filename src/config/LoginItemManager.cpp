// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/LoginItemManager.h"

#include "config/JsonFile.h"
#include "model/Logging.h"

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
    return path.isEmpty()
               ? QString()
               : installedProgram(QFileInfo(path).absoluteFilePath(), qEnvironmentVariable("PATH"));
}

namespace {

const QString kCommand = u"kestrum"_s;

// A CMake build directory holds CMakeCache.txt at its top.
bool isInBuildTree(const QString &file)
{
    for (QDir dir = QFileInfo(file).absoluteDir(); !dir.isRoot(); dir.cdUp()) {
        if (dir.exists(u"CMakeCache.txt"_s))
            return true;
    }
    return false;
}

} // namespace

QString LoginItemManager::installedProgram(const QString &executable, const QString &pathVariable)
{
    if (executable.isEmpty())
        return {};
    const QStringList path = pathVariable.split(u':', Qt::SkipEmptyParts);
    const QString onPath =
        path.isEmpty() ? QString() : QStandardPaths::findExecutable(kCommand, path);
    const QString canonical = QFileInfo(executable).canonicalFilePath();
    if (!onPath.isEmpty() && QFileInfo(onPath).canonicalFilePath() == canonical)
        return kCommand;
    if (!isInBuildTree(executable))
        return QFileInfo(executable).absoluteFilePath();
    return onPath.isEmpty() ? QString() : kCommand;
}

QString LoginItemManager::execProgram(const QString &execValue)
{
    // Undo the layers of quotedExecArgument, outermost first.
    QString value;
    for (qsizetype i = 0; i < execValue.size(); ++i) {
        const QChar c = execValue.at(i);
        if (c != u'\\' || i + 1 == execValue.size()) {
            value += c;
            continue;
        }
        const QChar next = execValue.at(++i);
        value += next == u'n'   ? u'\n'
                 : next == u't' ? u'\t'
                 : next == u'r' ? u'\r'
                 : next == u's' ? u' '
                                : next;
    }
    value.replace(u"%%"_s, u"%"_s);
    if (!value.startsWith(u'"'))
        return value.section(u' ', 0, 0, QString::SectionSkipEmpty);
    QString program;
    for (qsizetype i = 1; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'"')
            break;
        if (c == u'\\' && i + 1 < value.size())
            program += value.at(++i);
        else
            program += c;
    }
    return program;
}

bool LoginItemManager::refreshIfStale() const
{
    if (!isEnabled() || m_executable.isEmpty())
        return false;
    QFile file(m_directory + u'/' + entryFileName());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString program;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u"Exec="))
            program = execProgram(line.mid(5).trimmed());
    }
    const QString found = program.contains(u'/')
                              ? (QFileInfo(program).isExecutable() ? program : QString())
                              : QStandardPaths::findExecutable(program);
    if (program == m_executable || (!found.isEmpty() && !isInBuildTree(found)))
        return false;
    qCInfo(lcFiles).noquote() << "launch at login named" << program
                              << "which is gone or a build; now" << m_executable;
    return setEnabled(true);
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
    if (enabled && m_executable.isEmpty()) {
        qCWarning(lcFiles) << "launch at login needs an installed kestrum (cmake --install); "
                              "this one runs from a build tree";
        return false;
    }
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
    // that would otherwise restart a client that quits. The other hints start Kestrum
    // after the panel where the desktop can (it copes with a late panel all the same).
    // A plain command name needs no quoting.
    const QString text =
        u"[Desktop Entry]\n"
        u"Type=Application\n"
        u"Version=1.4\n"
        u"Name=澄川 Kestrum\n"
        u"Exec="_s +
        (m_executable == kCommand ? m_executable : quotedExecArgument(m_executable)) +
        u"\n"
        u"Icon=com.orvell.kestrum\n"
        u"Terminal=false\n"
        u"StartupNotify=false\n"
        u"X-GNOME-Autostart-enabled=true\n"
        u"X-GNOME-Autostart-Delay=5\n"
        u"X-GNOME-AutoRestart=false\n"
        u"X-KDE-autostart-after=panel\n"
        u"X-LXQt-Need-Tray=true\n"_s;
    return text.toUtf8();
}
