// The guide's exit code table of volmoraConfig is the code's table, row by row.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "exitCodes.h"
#include "utf8.h"

namespace volmora::testing {
namespace {

// The rows of the table below "## Exit codes": "| <code> | <meaning> |".
std::vector<std::string> guideRows() {
    std::ifstream guide(VOLMORA_SOURCE_DIR "/docs/volmoraConfig.md");
    std::vector<std::string> rows;
    bool inSection = false;
    for (std::string line; std::getline(guide, line);) {
        if (line.starts_with("## ")) {
            inSection = line == "## Exit codes";
        } else if (inSection && line.size() > 2 && line[0] == '|' && line[2] >= '0' &&
                   line[2] <= '9') {
            rows.push_back(line);
        }
    }
    return rows;
}

TEST(ExitCodesGuide, ListsEveryCodeWithTheCodesMeaning) {
    std::vector<std::string> expected;
    for (const config::ExitCodeMeaning& row : config::exitCodeTable) {
        expected.push_back("| " + std::to_string(row.code) + " | " + utf8(row.meaning) + " |");
    }
    EXPECT_EQ(guideRows(), expected);
}

}  // namespace
}  // namespace volmora::testing
