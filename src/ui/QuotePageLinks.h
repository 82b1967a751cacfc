// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace QuotePageLinks {

// The provider's web quote page of a symbol, opened in the browser from the detail surfaces:
// Sina's Hong Kong and US stock pages, Eastmoney's page for everything else. None for a
// text that is no symbol (Symbol::fromStored), the empty one included.
QUrl urlForSymbol(const QString &symbol);

} // namespace QuotePageLinks
