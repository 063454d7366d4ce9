// The run's two kinds of output text: report lines (standard output) and messages, the
// one-line warnings and errors (standard error). A caller may send both elsewhere for one
// run, as a web page or a test does.
#pragma once

#include <cstdio>

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

// Flushes the report stream, so report lines reach a terminal before a slow step.
void flush_report();
