#include "base/message.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Tasks that finish out of order say their messages in task order, and a `then` that fails
// leaves the later tasks unsaid, whatever the number of threads.
TEST(Message, RunInOrderSaysEachTasksMessagesInOrderUpToTheFirstFailure) {
    const struct {
        int threads;
        size_t count, failing;  // `then` fails at task `failing` (count: never)
        const char* said;
    } cases[] = {
        {1, 3, 3, "0 said\n0 then\n1 said\n1 then\n2 said\n2 then\n"},
        {2, 3, 3, "0 said\n0 then\n1 said\n1 then\n2 said\n2 then\n"},
        {4, 3, 1, "0 said\n0 then\n1 said\n1 then\n"},
        {2, 0, 0, ""},
    };
    for (const auto& c : cases) {
        char* text = nullptr;
        size_t size = 0;
        FILE* stream = open_memstream(&text, &size);
        const MessageStreams previous = use_message_streams({nullptr, stream});
        const bool all = run_in_order(
            c.count, c.threads, [](size_t i) { say("%zu said\n", i); },
            [&](size_t i) {
                say("%zu then\n", i);
                return i != c.failing;
            });
        use_message_streams(previous);
        fclose(stream);
        EXPECT_EQ(std::string(text), c.said) << c.threads << " threads, " << c.count << " tasks";
        EXPECT_EQ(all, c.failing >= c.count) << c.threads << " threads, " << c.count << " tasks";
        free(text);
    }
}

}  // namespace
