// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// One Kestrum per session, reachable from every later launch: the first instance owns the
// session-bus name com.orvell.kestrum (the desktop entry's id) and answers
// com.orvell.kestrum.Activation; a later launch finds the name taken and asks the owner to
// show itself instead of starting again.
class InstanceActivation : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Primary,       // this process owns the name and answers later launches
        ShownRunning,  // another instance owns it and has shown itself
        RunningSilent, // another instance owns it but did not answer
        NoBus,         // no session bus: only the lock file can tell
    };

    explicit InstanceActivation(QDBusConnection bus, QObject *parent = nullptr);
    ~InstanceActivation() override;

    // Takes the name, or asks its owner to show itself (waiting at most `timeoutMs`).
    Outcome claim(int timeoutMs = 10000);
    // Why the owner did not answer, or why there is no bus.
    QString errorString() const { return m_error; }

    static QString serviceName();
    static QString objectPath();
    static QString interfaceName();

Q_SIGNALS:
    // Another launch asks for Kestrum: the popover or the desktop window, as the desktop
    // allows. Emitted after the caller has been answered.
    void activationRequested();
    // Asks for the desktop window whatever the panel.
    void showWindowRequested();

private:
    friend class InstanceActivationAdaptor;

    QDBusConnection m_bus;
    QString m_error;
    bool m_exported = false;
};
