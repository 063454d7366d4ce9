// The run's two kinds of output text: report lines (standard output) and messages, the
// one-line warnings and errors (standard error). A caller may send both elsewhere for one
// run, as a web page or a test does.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct MessageStreams {
    FILE* report;    // null: standard output
    FILE* messages;  // null: standard error
};

// Writes a printf-formatted report line (the caller ends it with "\n").
void report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes a printf-formatted message (the caller ends it with "\n").
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends this thread's report lines and messages to `streams` from now on; returns the
// streams used until now, for the caller to put back when its run ends. Other threads
// keep their own (the standard streams until they choose).
MessageStreams use_message_streams(MessageStreams streams);

// Runs `task` with this thread's messages kept aside, and returns what it said (its report
// lines go where this thread's go): for a caller who decides afterwards whether to say it.
std::string kept_messages(const std::function<void()>& task);

// The run's notes, a text file beside its PDFs: every name of a message's list too long
// for one line. MOST_NAMED names go in the message itself.
constexpr const char* NOTES_FILE_NAME = "rosterbook-notes.txt";
constexpr size_t MOST_NAMED = 5;

// Sets the notes file this thread's messages name ("" for none) and clears the notes kept.
void use_notes_file(const std::string& path);

// `names` as a message lists them, "a, b, c": all of them when they are MOST_NAMED or fewer,
// else the first MOST_NAMED and "and 11 more (all in <notes file>)", the whole list then
// kept for the notes file under `heading` (a whole message, say).
std::string names_in_message(const std::vector<std::string>& names, const std::string& heading);

// The notes kept since use_notes_file, each heading followed by its names one a line; ""
// for none.
const std::string& kept_notes();

// Flushes the report stream, so report lines reach a terminal before a slow step.
void flush_report();

// Runs `task(i)` for each i below `count` on up to `threads` threads, this one included,
// each task's messages kept aside (report lines go where this thread's go). Then, here and
// in task order, says task i's messages and calls `then(i)`; the first `then` that returns
// false ends it, later tasks' messages unsaid, as if the tasks had run one after the other
// and stopped there. Returns whether every `then` returned true.
bool run_in_order(size_t count, int threads, const std::function<void(size_t)>& task,
                  const std::function<bool(size_t)>& then);
