#include "text/guess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "text/decode.h"

namespace {

// One list of the corpus as truth.tsv describes it.
struct CorpusFile {
    std::string name, language, size, encoding;
    bool held;  // names the tuning never saw
};

std::vector<CorpusFile> corpus_files() {
    std::vector<CorpusFile> files;
    std::ifstream truth(std::string(ENCODING_CORPUS) + "/truth.tsv");
    std::string line;
    while (std::getline(truth, line)) {
        std::istringstream fields(line);
        CorpusFile file;
        std::string held;
        std::getline(fields, file.name, '\t') && std::getline(fields, file.language, '\t') &&
            std::getline(fields, file.size, '\t') && std::getline(fields, file.encoding, '\t') &&
            std::getline(fields, held, '\t');
        file.held = held == "True";
        files.push_back(file);
    }
    return files;
}

// The list's text as the program reads it, lines ended by "\n" whatever the file used.
std::string read_list(const std::string& name) {
    DecodedText decoded;
    if (decode_text(TempDir::read_path(std::string(ENCODING_CORPUS) + "/" + name + ".csv"), "auto", &decoded))
        return "(not decoded)";
    std::string text;
    for (size_t i = 0; i < decoded.utf8.size(); ++i) {
        if (decoded.utf8[i] != '\r')
            text += decoded.utf8[i];
        else if (i + 1 == decoded.utf8.size() || decoded.utf8[i + 1] != '\n')
            text += '\n';
    }
    return text;
}

// Each list, whatever it was saved in, reads as the same list saved in UTF-8 reads: judged by
// the text, not by the label (windows-1252 and ISO-8859-1 give the same names). Prints the
// figures by language, size, encoding and unseen names.
TEST(EncodingCorpus, ListsReadAsTheyWereWritten) {
    const std::vector<CorpusFile> files = corpus_files();
    ASSERT_GE(files.size(), 500u);
    std::map<std::string, std::pair<int, int>> tally;  // "by what: value" -> right, all
    std::vector<std::string> western_misses;
    int long_right = 0, long_all = 0;
    for (const CorpusFile& file : files) {
        const size_t at = file.name.rfind("-" + file.encoding);
        const std::string reference =
            file.name.substr(0, at) + "-utf_8" + file.name.substr(at + file.encoding.size() + 1);
        const bool right = read_list(file.name) == read_list(reference);
        for (const std::string& key :
             {"language " + file.language, "size " + file.size, "encoding " + file.encoding,
              std::string(file.held ? "unseen" : "seen") + " names"}) {
            tally[key].first += right;
            tally[key].second += 1;
        }
        const bool western = file.language == "us" || file.language == "us1" || file.language == "de" ||
                             file.language == "nordic" || file.language == "pt" || file.language == "punct" ||
                             file.language == "euro";
        if (western && (file.encoding == "cp1252" || file.encoding == "latin_1") && !right)
            western_misses.push_back(file.name);
        if (std::stoi(file.size) >= 20) long_right += right, long_all += 1;
    }
    for (const auto& [key, counts] : tally)
        std::printf("%-22s %4d / %4d\n", key.c_str(), counts.first, counts.second);
    EXPECT_EQ(western_misses, std::vector<std::string>{}) << "Western lists in windows-1252 or ISO-8859-1";
    EXPECT_GE(long_right * 100, long_all * 99) << long_right << " of " << long_all << " lists of 20 or more";
}

}  // namespace
