// Start at logon: the task definition handed to Task Scheduler (read back
// with an XML parser), what the settings window's box shows for each state
// of the Run value and the task, what turning it on and off leaves behind,
// and vantrelctl autostart on a task service kept in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "text/codepage.h"
#include "autostart/logon_start.h"
#include "registry/memory_registry.h"
#include "tests/cli_test_env.h"
#include "tests/recording_system_ops.h"

#ifdef VANTREL_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#endif

namespace vantrel {
namespace {

using testing::Ctl;
using testing::RecordingTaskService;
using testing::TestEnv;

const char kRunKey[] = "\\Software\\Brelnix\\LogonTestRun";
const char kValue[] = "Derera";
const char kThis[] = "C:\\Program Files\\Vantrel\\Vantrel.exe";
const char kOther[] = "D:\\便携\\Vantrel.exe";

#ifdef VANTREL_HAVE_LIBXML2
// The text of the one node an XPath names in the task namespace (prefix t),
// or "<none>" / "<many>"; a count as its number.
std::string Select(xmlXPathContextPtr ctx, const std::string& path) {
    xmlXPathObjectPtr found = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(path.c_str()), ctx);
    std::string text = "<none>";
    if (found && found->type == XPATH_NUMBER) text = std::to_string(static_cast<int>(found->floatval));
    if (found && found->nodesetval && found->nodesetval->nodeNr > 1) text = "<many>";
    if (found && found->nodesetval && found->nodesetval->nodeNr == 1) {
        xmlChar* content = xmlNodeGetContent(found->nodesetval->nodeTab[0]);
        text = content ? reinterpret_cast<const char*>(content) : "";
        xmlFree(content);
    }
    xmlXPathFreeObject(found);
    return text;
}

TEST(LogonTask, TheDefinitionKeepsATrayProgramRunningFromEveryAdministratorsLogon) {
    // A path with a space, an ampersand and Chinese, as GBK.
    const std::string path = "C:\\Program Files\\工具 & 助手\\Vantrel.exe";
    // The service reads it as UTF-16; here it goes to the parser as UTF-8.
    const std::string xml = GbkToUtf8(LogonTaskXml(path));
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "task.xml", "UTF-8", XML_PARSE_NONET);
    ASSERT_NE(doc, nullptr) << xml;
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    xmlXPathRegisterNs(ctx, reinterpret_cast<const xmlChar*>("t"),
                       reinterpret_cast<const xmlChar*>("http://schemas.microsoft.com/windows/2004/02/mit/task"));
    const std::string s = "/t:Task/t:Settings/";
    const struct {
        std::string path;
        std::string expected;
    } kCases[] = {
        // Started at the logon of any user: no user named on the trigger.
        {"count(/t:Task/t:Triggers/*)", "1"},  // the logon trigger only
        {"/t:Task/t:Triggers/t:LogonTrigger/t:Enabled", "true"},
        {"/t:Task/t:Triggers/t:LogonTrigger/t:UserId", "<none>"},
        // As the group Administrators, elevated: a standard user's limited
        // token could not start the program at all.
        {"/t:Task/t:Principals/t:Principal/t:GroupId", "S-1-5-32-544"},
        {"/t:Task/t:Principals/t:Principal/t:RunLevel", "HighestAvailable"},
        {"/t:Task/t:Principals/t:Principal/t:UserId", "<none>"},
        {"/t:Task/t:Principals/t:Principal/@id", "Administrators"},
        {"/t:Task/t:Actions/@Context", "Administrators"},
        // The quoted path, so that a space never cuts it short.
        {"/t:Task/t:Actions/t:Exec/t:Command", "\"C:\\Program Files\\工具 & 助手\\Vantrel.exe\""},
        {"/t:Task/t:Actions/t:Exec/t:Arguments", "<none>"},
        {s + "t:ExecutionTimeLimit", "PT0S"},
        {s + "t:DisallowStartIfOnBatteries", "false"},
        {s + "t:StopIfGoingOnBatteries", "false"},
        // A copy for every logon, not only the first user's.
        {s + "t:MultipleInstancesPolicy", "Parallel"},
        {s + "t:Priority", "4"},
        {s + "t:RunOnlyIfIdle", "false"},
        {s + "t:StartWhenAvailable", "false"},
        {s + "t:Enabled", "true"},
    };
    for (const auto& c : kCases) EXPECT_EQ(Utf8ToGbk(Select(ctx, c.path)), c.expected) << c.path;
    xmlXPathFreeContext(ctx);
    xmlFreeDoc(doc);
}
#endif

// What the service hands back of a definition registered here: the program,
// the logon trigger and the group of this copy's or the other copy's.
RegisteredTask AsRegistered(const std::string& xml) {
    for (const char* path : {kThis, kOther})
        if (xml == LogonTaskXml(path)) return RegisteredTask{true, true, QuotedPath(path), kAdministratorsSid};
    return RegisteredTask{true, false, "", ""};
}

// Paths compare as Windows compares them: in any letter case (GBK trail
// bytes never fold), an 8.3 name as its long one (under Wine, with the
// system's form).
TEST(LogonTask, ACommandNamesThisCopyOnlyAsItsPathAloneQuotedOrNot) {
    const struct {
        std::string command;
        bool names;
    } kCases[] = {
        {kThis, true}, {"  " + QuotedPath(kThis) + " ", true}, {"c:\\program files\\vantrel\\vantrel.exe", true},
        {"\"C:\\PROGRAM FILES\\Vantrel\\VANTREL.EXE\"", true},
        {QuotedPath(kThis) + " /min", false}, {kOther, false}, {"\"" + std::string(kThis), false},
        {"C:\\Program Files\\Vantrel\\Vantrel.exe\" \"", false},
    };
    for (const auto& c : kCases) EXPECT_EQ(CommandNamesProgram(c.command, kThis), c.names) << c.command;
    EXPECT_FALSE(CommandNamesProgram("D:\\\x81\x41\\Vantrel.exe", "D:\\\x81\x61\\Vantrel.exe"));  // 丄, 乤
}

class StartAtLogonTest : public ::testing::Test {
protected:
    MemoryRegistry reg;
    RecordingTaskService tasks;
    StartAtLogon logon{reg, &tasks, kRunKey, kValue};

    void SetUp() override { tasks.readBack = AsRegistered; }

    void SetRun(const std::string& text) {
        OpenedKey key(reg, kRunKey, true);
        reg.WriteString(kValue, text);
    }
    std::string Run() {
        OpenedKey key(reg, kRunKey, true);
        return reg.ValueExists(kValue) ? reg.ReadString(kValue) : "<missing>";
    }
};

TEST_F(StartAtLogonTest, WithoutTheTaskServiceTheQuotedRunValueStartsThisCopy) {
    EXPECT_EQ(logon.way(), StartAtLogon::Way::RunValue);
    EXPECT_FALSE(logon.StartsThisCopy(kThis));
    logon.TurnOn(kThis);
    EXPECT_EQ(Run(), QuotedPath(kThis));
    EXPECT_TRUE(logon.StartsThisCopy(kThis));
    SetRun(kThis);  // as earlier versions wrote it
    EXPECT_TRUE(logon.StartsThisCopy(kThis));
    // Another copy's value is left alone by TurnOff; the window's OK
    // unticked removes the value whatever it held.
    SetRun(kOther);
    EXPECT_FALSE(logon.StartsThisCopy(kThis));
    logon.TurnOff(kThis);
    EXPECT_EQ(Run(), kOther);
    logon.Apply(false, kThis);
    EXPECT_EQ(Run(), "<missing>");
    EXPECT_TRUE(tasks.calls.empty());
}

// Where the task service is, the box is ticked only by an enabled logon task
// of this copy; a Run value of this copy is blocked by Windows and does not count.
TEST_F(StartAtLogonTest, WithTheTaskServiceTheBoxShowsOnlyAnEnabledLogonTaskOfThisCopy) {
    tasks.available = true;
    SetRun(QuotedPath(kThis));
    const struct {
        const char* what;
        bool present;
        RegisteredTask task;
        bool ticked;
    } kCases[] = {
        {"none", false, {}, false},
        {"this copy", true, {true, true, QuotedPath(kThis), kAdministratorsSid}, true},
        {"disabled", true, {false, true, QuotedPath(kThis), kAdministratorsSid}, false},
        {"another copy", true, {true, true, QuotedPath(kOther), kAdministratorsSid}, false},
        {"not at logon", true, {true, false, QuotedPath(kThis), kAdministratorsSid}, false},
    };
    for (const auto& c : kCases) {
        tasks.tasks.clear();
        if (c.present) tasks.tasks[kLogonTaskName] = c.task;
        EXPECT_EQ(logon.StartsThisCopy(kThis), c.ticked) << c.what;
    }
}

TEST_F(StartAtLogonTest, TurningOnAndOffActOnlyOnThisCopysTaskAndRunValue) {
    tasks.available = true;
    for (const std::string& before : {std::string(kThis), QuotedPath(kThis), std::string(kOther)}) {
        tasks.tasks.clear();
        SetRun(before);
        logon.TurnOn(kThis);
        EXPECT_EQ(tasks.definitions[kLogonTaskName], LogonTaskXml(kThis));
        EXPECT_TRUE(logon.StartsThisCopy(kThis));
        EXPECT_EQ(Run(), before == kOther ? kOther : "<missing>") << before;
    }
    const struct {
        const char* what;
        RegisteredTask task;
        bool removed;
    } kOff[] = {
        {"this copy", {true, true, QuotedPath(kThis), kAdministratorsSid}, true},
        {"a command not given back", {true, false, "", ""}, true},  // as Wine keeps it
        {"another copy", {true, true, QuotedPath(kOther), kAdministratorsSid}, false},
    };
    for (const auto& c : kOff) {
        tasks.tasks[kLogonTaskName] = c.task;
        logon.Apply(false, kThis);
        EXPECT_EQ(tasks.tasks.count(kLogonTaskName) == 0, c.removed) << c.what;
    }
}

// vantrelctl autostart, with the task service of a Vista or later system.
class AutostartEnv : public TestEnv {
public:
    RecordingTaskService tasks;
    TaskService* Tasks() override { return &tasks; }
    std::string VantrelBeside() override { return kThis; }
};

TEST(Autostart, OnStatusAndOffActOnTheCopyBesideOrTheOneNamed) {
    AutostartEnv env;
    env.tasks.available = true;
    env.tasks.readBack = AsRegistered;
    EXPECT_EQ(Ctl(env, {"autostart", "status"}).status, kExitNotOn);
    EXPECT_EQ(Ctl(env, {"autostart", "on"}).status, kExitDone);
    EXPECT_EQ(Ctl(env, {"autostart", "status"}).status, kExitDone);
    EXPECT_EQ(Ctl(env, {"autostart", "status", "--program", kOther}).status, kExitNotOn);
    EXPECT_EQ(Ctl(env, {"autostart", "off", "--program", kOther}).status, kExitDone);
    EXPECT_EQ(env.tasks.tasks.count(kLogonTaskName), 1u);  // another copy's off leaves this one's
    EXPECT_EQ(Ctl(env, {"autostart", "off"}).status, kExitDone);
    EXPECT_EQ(env.tasks.tasks.count(kLogonTaskName), 0u);
    EXPECT_EQ(Ctl(env, {"autostart", "maybe"}).status, kExitUsage);
    env.registryRefusesWrites = true;
    EXPECT_EQ(Ctl(env, {"autostart", "on"}).status, kExitFailed);
    EXPECT_TRUE(env.tasks.tasks.empty());
}

// A task an earlier version registered for the group Users still starts
// this copy, is named as such, and "on" replaces it.
TEST(Autostart, AnEarlierVersionsTaskForUsersIsOnAndReplacedByOn) {
    AutostartEnv env;
    env.tasks.available = true;
    env.tasks.readBack = AsRegistered;
    env.tasks.tasks[kLogonTaskName] = RegisteredTask{true, true, QuotedPath(kThis), "S-1-5-32-545"};
    for (const char* said : {"旧版的任务", "（管理员登录时启动）"}) {
        const auto status = Ctl(env, {"autostart", "status"});
        EXPECT_EQ(status.status, kExitDone);
        EXPECT_NE(status.out.find(said), std::string::npos) << status.out;
        EXPECT_EQ(Ctl(env, {"autostart", "on"}).status, kExitDone);
    }
}

}  // namespace
}  // namespace vantrel
