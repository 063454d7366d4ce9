// Saving: a save that fails (no folder, a full disk) says so once, leaves whatever file was
// at the path as it was and no temporary file behind; several documents save in order.
#include "pdf/save.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "base/message.h"
#include "tests/support/temp_dir.h"

namespace {

// What saving a three-page document to each of `paths` says, each file limited to
// `file_limit` bytes (0: no limit), as a full disk would.
std::string save_saying(const std::vector<std::string>& paths, rlim_t file_limit) {
    char* said = nullptr;
    size_t said_size = 0;
    FILE* sink = open_memstream(&said, &said_size);
    const MessageStreams previous = use_message_streams({nullptr, sink});
    std::deque<PdfDocument> documents(paths.size());
    std::vector<PdfDocument*> pointers;
    std::vector<const char*> names;
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_TRUE(open_pdf_document(&documents[i], {false, "Saved", 1700000000}));
        EXPECT_TRUE(add_pdf_pages(&documents[i], 3, 612, 792));
        pointers.push_back(&documents[i]);
        names.push_back(paths[i].c_str());
    }
    rlimit limit = {};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit before = limit;
    if (file_limit > 0) limit.rlim_cur = file_limit;
    signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
    setrlimit(RLIMIT_FSIZE, &limit);
    save_pdf_documents(pointers, names, 2);
    setrlimit(RLIMIT_FSIZE, &before);
    use_message_streams(previous);
    fclose(sink);
    const std::string text = said;
    free(said);
    return text;
}

TEST(SavePdf, FailuresLeaveThePreviousFile) {
    TempDir dir;
    const struct {
        const char* what;
        std::vector<std::string> names;  // in the folder
        rlim_t file_limit;
        const char* said;  // %s: the folder
        std::vector<std::string> written;
    } cases[] = {
        {"two documents", {"booklet.pdf", "standard.pdf"}, 0, "", {"booklet.pdf", "standard.pdf"}},
        {"no folder: the later document is not written",
         {"gone/booklet.pdf", "standard.pdf"},
         0,
         "Error: cannot write %s/gone/booklet.pdf: No such file or directory\n",
         {}},
        {"a full disk", {"booklet.pdf"}, 300, "Error: cannot write %s/booklet.pdf: File too large\n", {}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir.path);
        std::filesystem::create_directory(dir.path);
        std::vector<std::string> paths;
        for (const std::string& name : c.names) {
            paths.push_back(dir.file(name));
            if (name.find('/') == std::string::npos) dir.write(name, "last season's");
        }
        char said[512];
        snprintf(said, sizeof said, c.said, dir.path.c_str(), dir.path.c_str());
        EXPECT_EQ(save_saying(paths, c.file_limit), said) << c.what;
        std::vector<std::string> written;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
            const std::string name = entry.path().filename();
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << c.what;
            if (dir.read(name) != "last season's") written.push_back(name);
        }
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.written) << c.what;
    }
}

}  // namespace
