// Loading a member list in a test as a run loads it, and each member as one line.
#pragma once

#include <string>
#include <vector>

#include "roster/roster.h"
#include "tests/support/temp_dir.h"

struct Loaded {
    Roster roster;
    bool ok = false;
    std::string err;  // stderr, and the failure as the run says it
    std::string path;
};

// Loads `contents` as the member list, with the settings of `sdd` when it is not empty.
Loaded load_csv(const TempDir& dir, const std::string& contents, const std::string& sdd = "");

// Each member as "Group: First Last | address | city | zip | phone | cell | email | notes",
// groups in order.
std::vector<std::string> cards(const Roster& roster);
