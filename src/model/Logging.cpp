// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Logging.h"

Q_LOGGING_CATEGORY(lcNet, "kestrum.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRefresh, "kestrum.refresh", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFiles, "kestrum.files", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAlerts, "kestrum.alerts", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAi, "kestrum.ai", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPanel, "kestrum.panel", QtWarningMsg)
