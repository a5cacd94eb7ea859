// SPDX-License-Identifier: MIT
#ifndef ENGLISHWORDING_H
#define ENGLISHWORDING_H

#include <QString>

#include "itemresult.h"

// What became of one item, in vantoro-cli's words and without its counter: "converted, sources
// removed", … The problems in it are worded by the program's one table of words.
QString englishOutcome(const ItemResult &result);

#endif // ENGLISHWORDING_H
