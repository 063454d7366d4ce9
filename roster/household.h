// Households on one card: the people of a list that live together (a Household column, the
// same surname at the same address, or a Partner column naming the other) joined into one
// card's record, in the section of the first of them.
#pragma once

#include "roster/roster.h"
#include "settings/settings.h"

// Replaces the people of `roster` (grouped and sorted) with one record a card: a person
// alone as they are; a household as one Member with the joined name ("Bob & Carol Smith",
// in the settings' name order and with their Household Joiner), the details they share once
// and those that differ each with the person's first name, placed where its first person
// (by group, then sort order) stands. Fills people_in_group. A Partner value that names
// nobody is warned about, naming `path`.
void join_households(Roster* roster, const Settings& settings, const char* path);
