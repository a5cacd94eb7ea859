// SPDX-License-Identifier: MIT
#ifndef REPORTWORDING_H
#define REPORTWORDING_H

#include <QString>

#include "item/outputcheck.h"
#include "records/itemresult.h"
#include "report/runreport.h"

// The program's words for what happened, in the window's Chinese and the console's English,
// from one set of tables with a row per kind of problem, outcome, source fate and report role.

enum class Language { Chinese, English };

// One problem, without the item it belongs to.
QString problemWords(const Problem &problem, Language language);

// How an item ended ("converted", "failed: …"), with its failure when it has one.
QString outcomeWords(ItemResult::Outcome outcome, const Problem &failure, Language language);

// How many items ended so ("转换成功 3 个", "3 incomplete").
QString outcomeCount(ItemResult::Outcome outcome, int count, Language language);

// What became of an item's sources ("sources removed", "sources kept: …"); empty when nobody
// asked.
QString fateWords(const SourceFate &fate, Language language);

// What checking an output on its own found ("sound", "damaged: its video data is damaged from
// 2.2 s of 4.0 s", …); empty for a file that is not Vantoro's.
QString checkWords(const OutputCheck &check, Language language);

// An entry of the report in its role: in Chinese the line the window shows after the item's
// name, in English the words the console adds to the item's line.
QString roleWords(const RunReport::Entry &entry, Language language);

// How many entries the report holds in that role ("3 kept their sources").
QString roleCount(RunReport::Role role, int count, Language language);

// The whole report the window shows after a run: the counts first, then a line per entry.
QString chineseReport(const RunReport &report);

#endif // REPORTWORDING_H
