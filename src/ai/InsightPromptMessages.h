// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The two chat messages of one insight request: the fixed moderator instruction and the
// user message built from the program's own analysis of one stock.
struct InsightPromptMessages
{
    QString system;
    QString user;
};
