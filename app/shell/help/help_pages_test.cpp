// The help pages shipped with the program: every window the program registers
// and every help keyword has its page, every link of every page leads to a
// page (and a place on it) that exists, and every page is reached from the
// contents.
#include "app/shell/help/help_topics.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zv::help {
namespace {

namespace fs = std::filesystem;

const fs::path kPages = ZEVLON_HELP_PAGES;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> pageFiles() {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(kPages))
        if (e.path().extension() == ".html") out.insert(e.path().filename().string());
    return out;
}

// The targets of href="..." in a page.
std::vector<std::string> links(const std::string& html) {
    static const std::regex href(R"re(href\s*=\s*"([^"]*)")re", std::regex::icase);
    std::vector<std::string> out;
    for (auto m = std::sregex_iterator(html.begin(), html.end(), href); m != std::sregex_iterator();
         ++m)
        out.push_back((*m)[1]);
    return out;
}

std::vector<Topic> allTopics() {
    std::vector<Topic> all(windowTopics().begin(), windowTopics().end());
    all.insert(all.end(), keywordTopics().begin(), keywordTopics().end());
    return all;
}

bool external(const std::string& link) {
    return link.starts_with("http:") || link.starts_with("https:") || link.starts_with("mailto:");
}

bool hasAnchor(const std::string& html, const std::string& anchor) {
    return html.find("id=\"" + anchor + "\"") != std::string::npos ||
           html.find("name=\"" + anchor + "\"") != std::string::npos;
}

TEST(HelpPagesTest, EveryWindowAndEveryHelpKeywordHasItsPage) {
    for (const Topic& t : allTopics()) {
        EXPECT_FALSE(t.page.empty()) << t.name;
        EXPECT_TRUE(fs::is_regular_file(kPages / t.page)) << t.name << " -> " << t.page;
    }
    EXPECT_TRUE(fs::is_regular_file(kPages / kContentsPage));
    EXPECT_TRUE(fs::is_regular_file(kPages / kHowToPage));
}

TEST(HelpPagesTest, NamesAreFoundWithoutRegardToLetterCase) {
    EXPECT_EQ(pageOf("ADRESAR_S"), "adresar_s.html");
    EXPECT_EQ(pageOf("Adresar_S"), "adresar_s.html");
    EXPECT_EQ(pageOf("~h_zaloha"), "zalohuj.html");
    EXPECT_EQ(pageOf("UpdateLabel"), "label_u.html");
    EXPECT_TRUE(pageOf("NEZNAME_OKNO").empty());
    EXPECT_TRUE(pageOf("").empty());
}

TEST(HelpPagesTest, NoNameIsListedTwice) {
    std::set<std::string> seen;
    for (const Topic& t : allTopics()) {
        std::string upper(t.name);
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(upper).second) << t.name;
    }
}

TEST(HelpPagesTest, EveryLinkLeadsToAPageAndAPlaceThatExist) {
    for (const std::string& name : pageFiles()) {
        const std::string html = readFile(kPages / name);
        for (const std::string& link : links(html)) {
            if (external(link)) continue;
            const auto hash = link.find('#');
            const std::string file = hash == std::string::npos ? link : link.substr(0, hash);
            const std::string anchor = hash == std::string::npos ? "" : link.substr(hash + 1);
            const fs::path target = file.empty() ? kPages / name : kPages / file;
            ASSERT_TRUE(fs::is_regular_file(target)) << name << ": " << link;
            if (!anchor.empty()) {
                EXPECT_TRUE(hasAnchor(readFile(target), anchor)) << name << ": " << link;
            }
        }
    }
}

TEST(HelpPagesTest, EveryPageHasATitleAndIsReachedFromTheContents) {
    const std::set<std::string> pages = pageFiles();
    std::set<std::string> reached{std::string(kContentsPage)};
    std::vector<std::string> todo{std::string(kContentsPage)};
    while (!todo.empty()) {
        const std::string page = todo.back();
        todo.pop_back();
        for (const std::string& link : links(readFile(kPages / page))) {
            if (external(link)) continue;
            const std::string file = link.substr(0, link.find('#'));
            if (!file.empty() && pages.count(file) && reached.insert(file).second)
                todo.push_back(file);
        }
    }
    for (const std::string& page : pages) {
        const std::string html = readFile(kPages / page);
        EXPECT_NE(html.find("<title>"), std::string::npos) << page;
        EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos) << page;
        EXPECT_TRUE(reached.count(page)) << page << " is not reached from the contents";
    }
}

#ifdef ZEVLON_PROGRAM
// The windows the program registers, as the program itself lists them.
TEST(HelpPagesTest, EveryWindowTheProgramRegistersHasItsPage) {
    FILE* out = ::popen("QT_QPA_PLATFORM=offscreen '" ZEVLON_PROGRAM "' --procedures", "r");
    ASSERT_NE(out, nullptr);
    std::string listed;
    char buf[256];
    while (std::fgets(buf, sizeof buf, out))
        listed += buf;
    ASSERT_EQ(::pclose(out), 0);
    std::istringstream lines(listed);
    int count = 0;
    for (std::string name; std::getline(lines, name);) {
        ++count;
        bool known = false;
        for (const Topic& t : windowTopics())
            known = known || t.name == name;
        EXPECT_TRUE(known) << name << " has no row in the help's list of windows";
        EXPECT_FALSE(pageOf(name).empty()) << name;
    }
    EXPECT_GE(count, 1);
}
#endif

} // namespace
} // namespace zv::help
