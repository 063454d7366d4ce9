// The e-mail list for the club's announcements, from the roster: each address with its
// person's name ("Ann Able <ann@example.org>"), one a line, to paste into a mail program's
// BCC field, grouped by section under a comment line.
#pragma once

#include <string>

#include "roster/roster.h"
#include "settings/settings.h"

// The list's text: for each section that has addresses, "# <its title>", then its addresses in
// the roster's order, a blank line after it. A private member's address is there only when the
// card prints it (Private Shows names the column). A household's addresses each go with the
// person they belong to, or with the household's name when it shares one. `count` gets the
// number of addresses.
std::string email_list(const Roster& roster, const Settings& settings, int* count);

// `name` as the display name of an address: as it is, or in quotes (its own quotes and
// backslashes escaped) when it holds a character an address line gives a meaning to.
std::string display_name(const std::string& name);
