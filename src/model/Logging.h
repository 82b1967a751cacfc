// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// One logging category per layer. Warnings are on by default; debug output is switched on
// with QT_LOGGING_RULES, e.g. QT_LOGGING_RULES="kestrum.*.debug=true" or "kestrum.net=true".
// Nothing logged may carry a secret (the AI service's key never appears in a line).
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcRefresh)
Q_DECLARE_LOGGING_CATEGORY(lcFiles)
Q_DECLARE_LOGGING_CATEGORY(lcAlerts)
Q_DECLARE_LOGGING_CATEGORY(lcAi)
Q_DECLARE_LOGGING_CATEGORY(lcPanel)
