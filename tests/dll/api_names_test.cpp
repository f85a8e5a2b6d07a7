// The export list, the public header and the API reference name the same
// functions, so none of the three can drift from the others; the reference
// also keeps the export list's order.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"

namespace {

std::string sourceFile(const std::string& relative) {
    const std::string path = std::string(VL_TEST_DATA_DIR) + "/../../" + relative;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> matches(const std::string& text, const std::regex& pattern) {
    std::vector<std::string> names;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) names.push_back((*it)[1]);
    return names;
}

std::set<std::string> asSet(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }

}  // namespace

TEST(ApiNames, DefHeaderAndReferenceNameTheSameExports) {
    const std::string def = sourceFile("src/engine/Velmora.def");
    const size_t exportsAt = def.find("EXPORTS");
    ASSERT_NE(exportsAt, std::string::npos);
    const std::vector<std::string> defNames =
        matches(def.substr(exportsAt), std::regex(R"(\n[ \t]*(vl[A-Za-z0-9_]+)[ \t]*\r?(?=\n|$))"));
    const std::vector<std::string> headerNames =
        matches(sourceFile("include/velmora.h"), std::regex(R"(VL_CALL\s+(vl[A-Za-z0-9_]+)\s*\()"));
    // One section per export, headed "### `vlName`".
    const std::vector<std::string> referenceNames =
        matches(sourceFile("docs/API.md"), std::regex(R"((?:^|\n)### `(vl[A-Za-z0-9_]+)`)"));

    ASSERT_EQ(defNames.size(), std::size(kExportNames));
    EXPECT_EQ(asSet(defNames).size(), defNames.size()) << "a name is listed twice in Velmora.def";
    EXPECT_EQ(asSet(headerNames), asSet(defNames)) << "velmora.h and Velmora.def differ";
    EXPECT_EQ(headerNames.size(), defNames.size()) << "velmora.h declares a function twice";
    EXPECT_EQ(referenceNames, defNames) << "docs/API.md must document every export once, in Velmora.def's order";
    EXPECT_EQ(asSet(defNames), asSet(std::vector<std::string>(std::begin(kExportNames), std::end(kExportNames))));
}
