// What changed since last season: the rows of last season's member list matched with this
// season's (by name, else by e-mail or phone) and compared field by field, as a plain-text
// report for the committee and the proofreader.
#pragma once

#include <string>

#include "roster/roster.h"
#include "settings/settings.h"

// The report and what it counts.
struct SeasonChanges {
    std::string text;  // UTF-8, one item a line
    int added = 0;     // people new this season
    int gone = 0;      // people on last season's list only
    int changed = 0;   // people on both whose name, section or a detail changed
};

// Compares `last` with `now`, both read one record a row (load_rows). A row of this season
// matches last season's with the same name, letter case, accents and word order aside; a row
// left over matches a left-over one of last season sharing an e-mail address or a phone
// number (seven digits or more), listed as probably the same person. Each list of the report
// (new, gone, changed) is in its roster's order; a changed field reads "old → new", and a
// private member's field the card leaves off reads "(private)" on the side it is left off.
SeasonChanges season_changes(const Roster& last, const Roster& now, const Settings& settings);
