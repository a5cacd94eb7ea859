// SPDX-License-Identifier: MIT
#ifndef ENGLISHWORDING_H
#define ENGLISHWORDING_H

#include <QString>

#include "itemresult.h"

// vantoro-cli's words for what happened; the window has Chinese words of its own.

// One problem, without the item it belongs to.
QString englishProblem(const Problem &problem);

// What became of one item, without its counter: "converted, sources removed", …
QString englishOutcome(const ItemResult &result);

#endif // ENGLISHWORDING_H
