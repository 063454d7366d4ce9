#include "base/message.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

// Set for the length of one run by its caller; null means the standard streams. Each
// thread has its own, so a helper thread can collect its messages apart.
thread_local MessageStreams current = {nullptr, nullptr};

// This thread's run's notes file, and what it is to hold.
thread_local std::string notes_path;
thread_local std::string notes;

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

void use_notes_file(const std::string& path) {
    notes_path = path;
    notes.clear();
}

std::string names_in_message(const std::vector<std::string>& names, const std::string& heading) {
    std::string listed;
    for (size_t i = 0; i < names.size() && i < MOST_NAMED; ++i) listed += (i > 0 ? ", " : "") + names[i];
    if (names.size() <= MOST_NAMED) return listed;
    notes += heading + "\n";
    for (const std::string& name : names) notes += "  " + name + "\n";
    notes += "\n";
    return listed + " and " + std::to_string(names.size() - MOST_NAMED) + " more (all in " + notes_path + ")";
}

const std::string& kept_notes() { return notes; }

void flush_report() { fflush(report_stream()); }

namespace {

// What one task said, in a memory stream while it ran.
struct KeptMessages {
    char* text = nullptr;
    size_t size = 0;
    KeptMessages() = default;
    KeptMessages(const KeptMessages&) = delete;
    ~KeptMessages() { free(text); }
};

}  // namespace

std::string kept_messages(const std::function<void()>& task) {
    KeptMessages kept;
    FILE* stream = open_memstream(&kept.text, &kept.size);
    const MessageStreams previous = use_message_streams({current.report, stream});
    task();
    use_message_streams(previous);
    if (stream != nullptr) fclose(stream);
    return kept.size > 0 ? std::string(kept.text, kept.size) : std::string();
}

bool run_in_order(size_t count, int threads, const std::function<void(size_t)>& task,
                  const std::function<bool(size_t)>& then) {
    std::vector<KeptMessages> kept(count);
    const MessageStreams caller = use_message_streams(current);
    std::atomic<size_t> next = 0;
    auto work = [&] {
        for (size_t i = next++; i < count; i = next++) {
            FILE* stream = open_memstream(&kept[i].text, &kept[i].size);
            const MessageStreams previous = use_message_streams({caller.report, stream});
            task(i);
            use_message_streams(previous);
            if (stream != nullptr) fclose(stream);
        }
    };
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < static_cast<size_t>(std::max(threads, 1)) && t < count; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    for (size_t i = 0; i < count; ++i) {
        if (kept[i].size > 0) say("%s", kept[i].text);
        if (!then(i)) return false;
    }
    return true;
}
