// Why a step of the run could not go on, as it travels back to the caller who says it:
// the file it concerns, the line in it where there is one, and the reason in the user's
// words. Every loader returns one (std::optional<Failure>: nothing when all went well).
#pragma once

#include <string>

struct Failure {
    std::string file;            // the file it concerns; "" when none in particular
    int line = 0;                // the line in `file`, from 1; 0 when none
    std::string reason;          // what went wrong and, where there is one, what to do
    const char* place = "line";  // what `line` counts: "line", or "row" in a spreadsheet
    int error_number = 0;        // the errno of a failed write, for a caller that names the file; else 0
};

// "Error: <file> line <N>: <reason>" ("row <N>" in a spreadsheet), the file and line left
// out when not given.
std::string failure_message(const Failure& failure);

// Says failure_message(failure) on the message stream, as one line.
void say_failure(const Failure& failure);
