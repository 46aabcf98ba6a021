// What an administrator finds in the Application log. Wine's log is its
// debug channel "eventlog" (and the event's id in advapi32's note of the
// call): tools/run_tests.sh runs these tests in a process of their own with
// both channels on, its output in the file VTB_EVENT_TRACE names. Each kind
// is said at most once a minute in a process, and these tests share one.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/wine/support_http.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/toolbar_fixture.h"

namespace vtbtest {
namespace {

class EventLog : public ToolbarFormTest {
protected:
    void SetUp() override {
        ToolbarFormTest::SetUp();
        char path[MAX_PATH] = "";
        if (!GetEnvironmentVariableA("VTB_EVENT_TRACE", path, sizeof path))
            FAIL() << "run by tools/run_tests.sh: VTB_EVENT_TRACE names the file of this process's Wine output";
        trace_ = path;
        seen_ = ReadTextFile(trace_).size();
    }

    // What the process reported since the last look: the lines of the
    // eventlog channel, each "<id> <type>: <string>" as Wine shows them.
    std::string NewEvents() {
        const std::string text = ReadTextFile(trace_);
        std::string events, id;
        for (std::size_t at = seen_; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? text.size() : end + 1;
            // fixme:advapi:ReportEventA (handle,type,category,id,...
            if (const std::size_t call = line.find(":ReportEventA ("); call != std::string::npos) {
                unsigned handle = 0, type = 0, category = 0, number = 0;
                if (std::sscanf(line.c_str() + call + 15, "%x,0x%x,0x%x,0x%x", &handle, &type, &category, &number) == 4)
                    id = std::to_string(number) + (type == EVENTLOG_ERROR_TYPE     ? " error"
                                                   : type == EVENTLOG_WARNING_TYPE ? " warning"
                                                                                   : " information");
            } else if (const std::size_t string = line.find(":eventlog:ReportEventW "); string != std::string::npos) {
                events += id + ": " + line.substr(string + 23) + "\n";
            }
        }
        seen_ = text.size();
        return events;
    }

    // A string as Wine's channel shows it: L"...", backslashes doubled.
    static std::string Shown(const std::string& text) {
        std::string shown = "L\"";
        for (const char c : text) shown += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return shown + "\"";
    }

    static bool Has(const std::string& events, const std::string& part) {
        return events.find(part) != std::string::npos;
    }

    std::string trace_;
    std::size_t seen_ = 0;
};

// A configuration that fails the construction names its file and line, and
// the box the user saw is there too; the same failure again within the
// minute says nothing more.
TEST_F(EventLog, AFailedConfigurationIsReportedWithItsFileAndLineOnceAMinute) {
    std::string bad = kTestConfig;
    bad.replace(bad.find("[Main Menu]\r\n6"), 14, "[Main Menu]\r\n12 ");
    Build(bad);
    ASSERT_TRUE(boxes_.WaitForBoxes(1, kWaitMs));
    Close();
    const std::string events = NewEvents();
    EXPECT_TRUE(Has(events, "1001 error: " + Shown(ConfigPath()) + "\n")) << events;
    EXPECT_TRUE(Has(events, "1001 error: L\"12\"")) << events;
    EXPECT_TRUE(Has(events, "1001 error: L\"'12 ' is not a valid integer value\"")) << events;
    EXPECT_TRUE(Has(events, "1008 error: L\"'12 ' is not a valid integer value.\"")) << events;

    Build(bad);
    ASSERT_TRUE(boxes_.WaitForBoxes(2, kWaitMs));
    Close();
    EXPECT_EQ(NewEvents(), "");
}

// Downloaded or refused, the address and the copy or the reason; a copy
// set aside by a deployment, with the name it now has.
TEST_F(EventLog, UpdatesAndSetAsidesAreReported) {
    const MachineDataMode perUser(DataMode::PerUser);
    RemoveUserDataDir();
    LocalHttpServer server;
    std::string cfg = kTestConfig;
    const std::string old = "http://127.0.0.1:1/update.cfg";
    const std::string url = server.Url("/good.cfg");
    cfg.replace(cfg.find(old), old.size(), url);
    std::string fresh = cfg;
    server.Serve("/good.cfg", 200, fresh.replace(fresh.find("Lexa|"), 4, "Newx"));
    Build(cfg);
    form_->Main_Menu->Items().Item(3)->Click();
    ASSERT_TRUE(boxes_.WaitForBoxes(1, kWaitMs));
    Close();
    EXPECT_EQ(NewEvents(), "1003 information: " + Shown(url) + "\n1003 information: " +
                               Shown(UserFileFor(ConfigPath())) + "\n");

    server.Serve("/good.cfg", 200, "<html>Service unavailable</html>\r\n");
    Build();
    form_->Main_Menu->Items().Item(3)->Click();
    ASSERT_TRUE(boxes_.WaitForBoxes(2, kWaitMs));
    Close();
    EXPECT_EQ(NewEvents(),
              "1004 warning: " + Shown(url) + "\n1004 warning: L\"The file does not read as a configuration.\"\n");

    WriteTextFile(ConfigPath(), kTestConfig);  // a deployment over the one the copy superseded
    Build();
    Close();
    const std::string events = NewEvents();
    EXPECT_TRUE(Has(events, "1005 information: " + Shown(UserFileFor(ConfigPath())) + "\n")) << events;
    const std::vector<std::string> aside = FilesLike(UserFileFor(ConfigPath()) + ".old-*");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_TRUE(Has(events, "1005 information: " + Shown(aside[0]) + "\n")) << events;
    RemoveUserDataDir();
}

// The policies in force, and each value ignored with why, once in the
// process's life.
TEST_F(EventLog, PoliciesAreReportedOnce) {
    ScopedPolicies policies;
    policies.SetNumber(true, "SearchHistory", 0);
    policies.SetText(true, "SearchMethod", "m=none");
    policies.SetText(false, "ShownLinkButtons", "1;2");
    Build(kTestConfig);
    Close();
    EXPECT_EQ(NewEvents(),
              "1006 information: L\"SearchHistory=0 (machine)\"\n"
              "1007 warning: L\"SearchMethod=m=none (machine): no search method of the configuration has this text; "
              "ShownLinkButtons=1;2 (user): not a list of link button numbers 1 to 17\"\n");
    Build(kTestConfig);
    Close();
    EXPECT_EQ(NewEvents(), "");
}

// A settings file that cannot be written: its path and the system's reason.
TEST_F(EventLog, ASettingsFileThatCannotBeWrittenIsReported) {
    Build(kTestConfig);
    ASSERT_TRUE(CreateDirectoryA(SettingsPath().c_str(), nullptr));  // a folder in the file's place
    Close();
    RemoveDirectoryA(SettingsPath().c_str());
    ASSERT_TRUE(boxes_.WaitForBoxes(1, kWaitMs));
    const std::string events = NewEvents();
    EXPECT_TRUE(Has(events, "1002 error: " + Shown(SettingsPath()) + "\n")) << events;
}

}  // namespace
}  // namespace vtbtest
