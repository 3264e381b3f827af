// tbltool check: the duplicate check of "Überprüfen" (the scan and the
// booked quantities, the check's own code) without a window, for scripts.
#pragma once

#include "engine_session.h"

#include <cstdio>

namespace tbltool {

// Exit codes of the check: all numbers unique, or duplicates found.
constexpr int kCheckUnique = 0;
constexpr int kCheckDuplicates = 3;

// Checks the host tables of `place` and writes the result table as UTF-8
// CSV to `out` in result-table order: ID, ARTN (the full number), BZK, STK
// (the booked quantity in the tool's number form, empty without a booking)
// and, with `survivors`, KEEP: 1 for the article a delete run would keep, 0
// for each it would delete. The verdict, and the message when the scan is
// abandoned, go to `err` as plain text. Answers kCheckUnique or
// kCheckDuplicates; a failure is a ToolError.
int runCheck(const Place &place, bool survivors, FILE *out, FILE *err);

// Mini-HTML as plain text: the bold tags dropped, <BR> a line break.
QString plainText(const QString &miniHtml);

} // namespace tbltool
