// The version decision and the check's sequence, natively (no window, no network): the page
// comes from a fetch function of the test, the window is FakeUpdateUi.
#include "settings/update_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/update/fake_update_ui.h"

using namespace settings;
using testsupport::FakeUpdateUi;

namespace {

const std::wstring kOutdated = L"当前不是最新版，请联系QQ10001更新！";

struct PageCase {
  const char* name;
  bool completed;
  std::string body;
  UpdateOutcome outcome;
};

const PageCase kPages[] = {
    {"exact marker", true, "jtbb[1.1]", UpdateOutcome::Current},
    {"marker inside a page", true, "<html><body>ver jtbb[1.1] ok</body></html>", UpdateOutcome::Current},
    {"marker after a lone end marker", true, "] x jtbb[1.1]", UpdateOutcome::Current},
    {"error page holding the marker", true, "404 jtbb[1.1]", UpdateOutcome::Current},
    {"newer version", true, "jtbb[1.2]", UpdateOutcome::Outdated},
    {"no end marker", true, "jtbb[1.1", UpdateOutcome::Outdated},
    {"first marker 1.2, later 1.1", true, "jtbb[1.2] jtbb[1.1]", UpdateOutcome::Outdated},
    {"NUL before the marker", true, std::string("abc\0jtbb[1.1]", 13), UpdateOutcome::Outdated},
    {"NUL after the marker", true, std::string("jtbb[1.1]\0junk", 14), UpdateOutcome::Current},
    {"trailing blank", true, "jtbb[1.1 ]", UpdateOutcome::Outdated},
    {"leading blank", true, "jtbb[ 1.1]", UpdateOutcome::Outdated},
    {"1.10", true, "jtbb[1.10]", UpdateOutcome::Outdated},
    {"upper-case marker", true, "JTBB[1.1]", UpdateOutcome::Outdated},
    {"empty marker", true, "jtbb[]", UpdateOutcome::Outdated},
    {"empty page", true, "", UpdateOutcome::Outdated},
    {"no page", false, "", UpdateOutcome::RequestFailed},
    {"broken off after the marker", false, "jtbb[1.1]...", UpdateOutcome::RequestFailed},
};

TEST(UpdatePage, VersionDecision) {
  for (const PageCase& c : kPages) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(JudgeUpdatePage({c.completed, c.body}), c.outcome);
  }
}

TEST(UpdatePage, PageTextEndsAtTheFirstNul) {
  EXPECT_EQ(PageTextFromBody(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(PageTextFromBody("abcd"), "abcd");
  EXPECT_EQ(PageTextFromBody(std::string("\0x", 2)), "");
  EXPECT_EQ(PageVersion("x jtbb[1.2]y jtbb[1.1]"), "1.2");
  EXPECT_EQ(PageVersion("jtbb[1.1"), "");
}

TEST(UpdatePage, MessageForEachOutcome) {
  EXPECT_EQ(UpdateMessage(UpdateOutcome::Current, L"10001"), L"");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::Outdated, L"10001"), kOutdated);
  EXPECT_EQ(UpdateMessage(UpdateOutcome::RequestFailed, L"10001"), L"无法连接更新服务器，请检查网络后重试！");
}

// The page the maker hosts names the version this build is.
TEST(UpdatePage, TheHostedPageIsAccepted) {
  std::string path = TARNWICK_SITE_PAGE;
#ifdef _WIN32
  path = "Z:" + path;  // the Linux root under Wine
#endif
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file) << path;
  std::stringstream bytes;
  bytes << file.rdbuf();
  EXPECT_EQ(PageVersion(PageTextFromBody(bytes.str())), "1.1");
  EXPECT_EQ(JudgeUpdatePage({true, bytes.str()}), UpdateOutcome::Current);
}

TEST(UpdateCheck, RunsTheWindowThroughItsStepsForEveryPage) {
  for (const PageCase& c : kPages) {
    SCOPED_TRACE(c.name);
    FakeUpdateUi ui;
    std::string pageText = "old";
    const UpdateOutcome got = RunUpdateCheck(
        ui,
        [&] {
          ui.calls.push_back("fetch");
          return FetchedPage{c.completed, c.body};
        },
        L"10001", pageText);
    EXPECT_EQ(got, c.outcome);
    EXPECT_EQ(pageText, PageTextFromBody(c.body));
    EXPECT_EQ(ui.BeforeAnimation(), (std::vector<std::string>{"show", "key ececec", "fetch"}));
    if (c.outcome == UpdateOutcome::Current) {
      EXPECT_EQ(ui.AfterAnimation(), (std::vector<std::string>{"animation", "close"}));
    } else {
      EXPECT_EQ(ui.AfterAnimation(), (std::vector<std::string>{"animation", "hide", "message", "wait 5000", "exit 0"}));
      EXPECT_EQ(ui.message, UpdateMessage(c.outcome, L"10001"));
    }
  }
}

}  // namespace
