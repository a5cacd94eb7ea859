// SPDX-License-Identifier: MIT
#ifndef REPORTWORDING_H
#define REPORTWORDING_H

#include <QString>

#include "itemresult.h"
#include "runreport.h"

// The words for what went wrong, in the window's Chinese and the console's English, from one
// table with a row per kind of problem.

enum class Language { Chinese, English };

// One problem, without the item it belongs to.
QString problemWords(const Problem &problem, Language language);

// The whole report the window shows after a run: the counts first, then a line per entry.
QString chineseReport(const RunReport &report);

#endif // REPORTWORDING_H
