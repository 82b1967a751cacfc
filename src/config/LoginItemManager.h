// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Launch at login through the per-user XDG autostart entry. The entry's presence is the
// only record of the choice: there is no settings key and nothing is cached, so every
// question is answered from the file system afresh.
class LoginItemManager
{
public:
    // The user's autostart directory and the installed program (installedProgram).
    LoginItemManager();
    // Another directory and executable (tests, packaging tools).
    LoginItemManager(const QString &autostartDirectory, const QString &executablePath);

    static QString applicationIdentifier() { return QStringLiteral("com.orvell.kestrum"); }
    static QString entryFileName() { return applicationIdentifier() + QStringLiteral(".desktop"); }
    // $XDG_CONFIG_HOME/autostart (normally ~/.config/autostart).
    static QString defaultAutostartDirectory();
    // installedProgram() of the running executable and the process's PATH.
    static QString defaultExecutablePath();
    // What an entry should run: "kestrum" when that command on `pathVariable` is
    // `executable` (or `executable` lies in a build tree and an installed kestrum is on the
    // path), else the absolute path of `executable` when it is installed, else empty: a
    // build tree is never named, the next clean build would break the entry.
    static QString installedProgram(const QString &executable, const QString &pathVariable);
    // The program an Exec value runs (its first argument, unquoted).
    static QString execProgram(const QString &execValue);

    QString autostartDirectory() const { return m_directory; }
    QString executablePath() const { return m_executable; }

    // The entry's path. Creates the autostart directory when missing (errors ignored).
    QString launchAgentURL() const;
    bool isEnabled() const;
    // On: writes the entry atomically, replacing any earlier one. Off: removes it (a
    // missing entry is fine). False when the file system refused, or when there is no
    // installed program to name; the caller may ignore it, since isEnabled() always
    // reports the real state.
    bool setEnabled(bool enabled) const;
    // While on: rewrites an entry whose program no longer exists (or lies in a build tree)
    // so it names this installed program. True when it rewrote the entry.
    bool refreshIfStale() const;

    // The entry's bytes (UTF-8) for this executable.
    QByteArray desktopEntry() const;
    // One Exec argument, quoted so a launcher hands the path back unchanged whatever it
    // holds (spaces, quotes, backslashes, "$", "`", "%", line breaks).
    static QString quotedExecArgument(const QString &argument);

private:
    QString m_directory;
    QString m_executable;
};
