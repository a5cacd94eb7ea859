// SPDX-License-Identifier: MIT
#ifndef REPORTWORDING_H
#define REPORTWORDING_H

#include <QString>

#include "itemresult.h"
#include "runreport.h"

// The window's words (Chinese) for what went wrong. vantoro-cli has English words of its own.

// One problem, without the item it belongs to.
QString chineseProblem(const Problem &problem);

// The whole report the window shows after a run: the counts first, then a line per problem.
QString chineseReport(const RunReport &report);

#endif // REPORTWORDING_H
