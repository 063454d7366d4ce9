#include "base/message.h"

#include <cstdarg>

namespace {

// Set for the length of one run by its caller; null means the standard streams. Each
// thread has its own, so a helper thread can collect its messages apart.
thread_local MessageStreams current = {nullptr, nullptr};

FILE* report_stream() { return current.report != nullptr ? current.report : stdout; }
FILE* message_stream() { return current.messages != nullptr ? current.messages : stderr; }

}  // namespace

void report(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vfprintf(report_stream(), format, arguments);
    va_end(arguments);
}

void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vfprintf(message_stream(), format, arguments);
    va_end(arguments);
}

MessageStreams use_message_streams(MessageStreams streams) {
    const MessageStreams previous = current;
    current = streams;
    return previous;
}

void flush_report() { fflush(report_stream()); }
