// The built help file read back as a user's viewer would find it: 7z opens
// the CHM, every topic of the table of contents and of the index is inside,
// every link between topics and every picture resolves, the pictures are
// those of docs/, the pages are GBK and the file says it is Simplified
// Chinese. The pages also name what the program itself shows: every action,
// every schedule kind, the tray tips and the hotkey menu captions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "actions/utility_actions.h"
#include "app/shell_texts.h"
#include "runner/postponed.h"
#include "store/extra_settings.h"
#include "runner/tray_status.h"
#include "text/codepage.h"
#include "store/schedule_text.h"
#include "store/task_record.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every value of `attribute` in `html` (case-insensitive, quoted).
std::vector<std::string> Attributes(const std::string& html, const std::string& attribute) {
    std::vector<std::string> out;
    std::regex pattern(attribute + "\\s*=\\s*\"([^\"]*)\"", std::regex::icase);
    for (std::sregex_iterator it(html.begin(), html.end(), pattern), end; it != end; ++it)
        out.push_back((*it)[1]);
    return out;
}

// The sitemap entries' targets: <param name="Local" value="...">.
std::vector<std::string> Locals(const std::string& sitemap) {
    std::vector<std::string> out;
    std::regex pattern("<param\\s+name=\"Local\"\\s+value=\"([^\"]*)\"", std::regex::icase);
    for (std::sregex_iterator it(sitemap.begin(), sitemap.end(), pattern), end; it != end; ++it)
        out.push_back((*it)[1]);
    return out;
}

// What a reader sees of a page: no tags, the common entities decoded.
std::string VisibleText(const std::string& html) {
    std::string text = std::regex_replace(html, std::regex("<[^>]*>"), "");
    const std::pair<const char*, const char*> entities[] = {
        {"&nbsp;", " "}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& e : entities) {
        for (size_t at = text.find(e.first); at != std::string::npos; at = text.find(e.first, at))
            text.replace(at, std::string(e.first).size(), e.second);
    }
    return text;
}

std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

class HelpFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = fs::path(VANTREL_HELP_EXTRACT_DIR);
        fs::remove_all(root_);
        fs::create_directories(root_);
        const std::string command = std::string("\"") + VANTREL_7Z + "\" x -y -o\"" + root_.string() +
                                    "\" \"" + VANTREL_CHM_PATH + "\" > \"" + (root_ / "7z.log").string() +
                                    "\" 2>&1";
        extracted_ = std::system(command.c_str()) == 0;
        for (const auto& entry : fs::recursive_directory_iterator(root_)) {
            if (entry.path().extension() == ".htm") pages_.push_back(entry.path());
        }
    }
    static fs::path root_;
    static bool extracted_;
    static std::vector<fs::path> pages_;
};
fs::path HelpFile::root_;
bool HelpFile::extracted_ = false;
std::vector<fs::path> HelpFile::pages_;

TEST_F(HelpFile, IsSimplifiedChineseWithItsContentsAndIndexInside) {
    ASSERT_TRUE(extracted_) << Contents(root_ / "7z.log");
    // The ITSF header carries the language at byte 0x14.
    const std::string chm = Contents(VANTREL_CHM_PATH);
    ASSERT_GT(chm.size(), 0x18u);
    EXPECT_EQ(chm.substr(0, 4), "ITSF");
    EXPECT_EQ(static_cast<unsigned char>(chm[0x14]) | static_cast<unsigned char>(chm[0x15]) << 8, 0x804);

    for (const char* sitemap : {"toc.hhc", "index.hhk"}) {
        const std::vector<std::string> targets = Locals(Contents(root_ / sitemap));
        EXPECT_GE(targets.size(), 15u) << sitemap;
        for (const std::string& target : targets)
            EXPECT_TRUE(fs::is_regular_file(root_ / target)) << sitemap << " names " << target;
    }
    // Every page can be reached from the table of contents.
    const std::vector<std::string> toc = Locals(Contents(root_ / "toc.hhc"));
    const std::set<std::string> listed(toc.begin(), toc.end());
    for (const fs::path& page : pages_)
        EXPECT_TRUE(listed.count(page.filename().string())) << page.filename() << " is not in the contents";
}

TEST_F(HelpFile, EveryLinkAndPictureResolvesInsideTheFile) {
    ASSERT_TRUE(extracted_);
    ASSERT_FALSE(pages_.empty());
    for (const fs::path& page : pages_) {
        const std::string html = Contents(page);
        std::vector<std::string> targets = Attributes(html, "href");
        for (const std::string& src : Attributes(html, "src")) targets.push_back(src);
        for (std::string target : targets) {
            if (target.rfind("http:", 0) == 0 || target.rfind("https:", 0) == 0 || target.rfind("mailto:", 0) == 0)
                continue;
            target = target.substr(0, target.find('#'));
            if (target.empty()) continue;
            EXPECT_TRUE(fs::is_regular_file(page.parent_path() / target))
                << page.filename() << " links to " << target;
        }
    }
}

TEST_F(HelpFile, HoldsEveryPictureOfTheDocsFolderUnchanged) {
    ASSERT_TRUE(extracted_);
    int pictures = 0;
    for (const auto& entry : fs::directory_iterator(VANTREL_DOCS_DIR)) {
        if (entry.path().extension() != ".png") continue;
        ++pictures;
        const fs::path inside = root_ / "images" / entry.path().filename();
        ASSERT_TRUE(fs::is_regular_file(inside)) << inside;
        EXPECT_EQ(Contents(inside), Contents(entry.path())) << inside;
        // ... and a page shows it.
        bool shown = false;
        for (const fs::path& page : pages_)
            for (const std::string& src : Attributes(Contents(page), "src"))
                shown = shown || src == "images/" + entry.path().filename().string();
        EXPECT_TRUE(shown) << entry.path().filename() << " is on no page";
    }
    EXPECT_GE(pictures, 4);
}

// Every <param name="Name" value="..."> of a sitemap, in order.
std::vector<std::string> Names(const std::string& sitemap) {
    std::vector<std::string> out;
    std::regex pattern("<param\\s+name=\"Name\"\\s+value=\"([^\"]*)\"", std::regex::icase);
    for (std::sregex_iterator it(sitemap.begin(), sitemap.end(), pattern), end; it != end; ++it)
        out.push_back((*it)[1]);
    return out;
}

// The data of the first record `code` of the #SYSTEM file; empty for none.
std::string SystemRecord(const std::string& system, unsigned code) {
    for (size_t at = 4; at + 4 <= system.size();) {
        const unsigned c = static_cast<unsigned char>(system[at]) | static_cast<unsigned char>(system[at + 1]) << 8;
        const size_t length = static_cast<unsigned char>(system[at + 2]) | static_cast<unsigned char>(system[at + 3]) << 8;
        if (c == code) return system.substr(at + 4, length);
        at += 4 + length;
    }
    return "";
}

// The viewer shows the index from the sitemap inside the file, whose
// keywords are the Chinese of the sources; a binary keyword index (whose
// Chinese the compiler turns into '?') is not built, and neither is a
// full-text search that finds no Chinese word, so the Search tab is off.
TEST_F(HelpFile, TheIndexShowsTheChineseOfTheSourcesAndThereIsNoSearchThatFindsNothing) {
    ASSERT_TRUE(extracted_);
    const std::vector<std::string> built = Names(Contents(root_ / "index.hhk"));
    const std::vector<std::string> written = Names(Contents(fs::path(VANTREL_HELP_SOURCE_DIR) / "index.hhk"));
    ASSERT_EQ(built.size(), written.size());
    for (size_t i = 0; i < built.size(); ++i) EXPECT_EQ(GbkToUtf8(built[i]), written[i]);
    for (const char* keyword : {"F8", "F9", "F10", "F11", "用户帐户控制", "任务计划程序", "概述"})
        EXPECT_NE(std::find(built.begin(), built.end(), std::string(keyword)), built.end()) << GbkToUtf8(keyword);
    const std::vector<std::string> targets = Locals(Contents(root_ / "index.hhk"));
    EXPECT_NE(std::find(targets.begin(), targets.end(), "overview.htm"), targets.end());

    EXPECT_FALSE(fs::exists(root_ / "$WWKeywordLinks"));
    EXPECT_FALSE(fs::exists(root_ / "$FIftiMain"));
    const std::string system = Contents(root_ / "#SYSTEM");
    EXPECT_EQ(SystemRecord(system, 1).c_str(), std::string("index.hhk"));  // the index file
    const std::string flags = SystemRecord(system, 4);
    ASSERT_GE(flags.size(), 12u);
    EXPECT_EQ(flags.substr(8, 4), std::string(4, '\0')) << "full-text search is on";
}

TEST_F(HelpFile, PagesAreGbkAndSaySo) {
    ASSERT_TRUE(extracted_);
    for (const fs::path& page : pages_) {
        const std::string html = Contents(page);
        EXPECT_NE(html.find("charset=gb2312"), std::string::npos) << page.filename();
        // GBK text survives the round trip through UTF-8 unchanged.
        EXPECT_EQ(Utf8ToGbk(GbkToUtf8(html)), html) << page.filename();
    }
}

TEST_F(HelpFile, NamesWhatTheProgramShows) {
    ASSERT_TRUE(extracted_);
    std::string all;
    for (const fs::path& page : pages_) all += VisibleText(Contents(page));
    std::vector<std::string> texts(std::begin(kActionNames), std::end(kActionNames));
    for (const char* kind : {kKindIdle, kKindOnce, kKindDaily, kKindWeekly, kKindMonthly, kKindYearly,
                             kKindStartup, kKindInterval})
        texts.push_back(kind);
    texts.push_back(kTipEnabled);
    texts.push_back(kTipDisabled);
    // The tray's pause and quick timer, as their menu items read.
    texts.insert(texts.end(), std::begin(kPauseCaptions), std::end(kPauseCaptions));
    texts.insert(texts.end(), std::begin(kQuickTimerCaptions), std::end(kQuickTimerCaptions));
    texts.push_back(kCancelTimerCaption);
    texts.insert(texts.end(), std::begin(kPostponeCaptions), std::end(kPostponeCaptions));
    for (const ExtraSetting& setting : ExtraSettings()) texts.push_back(setting.label);
    texts.push_back(kCleanupBatchName);
    const HotkeyCaptions plain = MenuCaptionsFor(0, "");
    for (const std::string& caption : {plain.logOff, plain.standby, plain.fastRestart, plain.fastShutdown})
        texts.push_back(Trimmed(caption));
    for (const std::string& text : texts) EXPECT_NE(all.find(text), std::string::npos) << GbkToUtf8(text);
    // Start at logon from Vista on, and the setup's message on XP.
    for (const char* text : {"任务计划程序", "taskschd.msc", "使用最高权限运行", "运行方式…"})
        EXPECT_NE(all.find(text), std::string::npos) << GbkToUtf8(text);
    // Every action with a countdown is named where the overview lists them.
    const std::string overview = VisibleText(Contents(root_ / "overview.htm"));
    for (const char* action : {"快速重启", "快速关机"})
        EXPECT_NE(overview.find(action), std::string::npos) << GbkToUtf8(action);
}

}  // namespace
}  // namespace vantrel
