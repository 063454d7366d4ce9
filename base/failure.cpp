#include "base/failure.h"

#include "base/message.h"

std::string failure_message(const Failure& failure) {
    std::string text = "Error: ";
    if (!failure.file.empty()) {
        text += failure.file;
        if (failure.line > 0) text += std::string(" ") + failure.place + " " + std::to_string(failure.line);
        text += ": ";
    }
    return text + failure.reason;
}

void say_failure(const Failure& failure) { say("%s\n", failure_message(failure).c_str()); }
