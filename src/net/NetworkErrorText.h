// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct HttpResponse;

// What a user reads when a request got no usable answer: one short Chinese phrase per kind
// of failure, so no system text in English reaches the interface. Callers put it into their
// own sentence ("AI 请求失败：连接被拒绝。").
namespace NetworkErrorText {

// Empty when the server answered in full (whatever its status).
QString describe(const HttpResponse &response);

} // namespace NetworkErrorText
