// An update window of our own for driving the check: it records what the check asks of the
// window instead of showing anything, and takes waits as done at once.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "settings/update_check.h"

namespace testsupport {

class FakeUpdateUi : public settings::UpdateWindowUi {
 public:
  // One entry per call, e.g. "show", "key ececec", "bar 1", "wait 20", "events", "hide",
  // "message", "close", "exit 0"; "fetch" is added by the test's fetch function.
  std::vector<std::string> calls;
  std::vector<int> barPositions;
  std::wstring message;
  bool barHidden = false;
  bool closed = false;
  int exitCode = -1;

  void ShowWindow() override { calls.push_back("show"); }
  void ApplyColourKey(unsigned colour) override {
    char hex[16];
    snprintf(hex, sizeof hex, "%06x", colour);
    calls.push_back(std::string("key ") + hex);
  }
  void SetProgress(int position) override {
    calls.push_back("bar " + std::to_string(position));
    barPositions.push_back(position);
  }
  void HideProgress() override {
    calls.push_back("hide");
    barHidden = true;
  }
  void SetMessage(const std::wstring& text) override {
    calls.push_back("message");
    message = text;
  }
  void ProcessPendingEvents() override { calls.push_back("events"); }
  void WaitProcessingEvents(int ms) override { calls.push_back("wait " + std::to_string(ms)); }
  void CloseWindow() override {
    calls.push_back("close");
    closed = true;
  }
  void ExitProgram(int code) override {
    calls.push_back("exit " + std::to_string(code));
    exitCode = code;
  }

  // The calls from the first bar step on, with the 100 steps of the animation checked and
  // folded into one "animation" entry; empty when the animation is not exactly
  // bar i, wait 20, events for i = 1..100.
  std::vector<std::string> AfterAnimation() const {
    auto first = std::find(calls.begin(), calls.end(), "bar 1");
    if (first == calls.end()) return {};
    auto it = first;
    for (int i = 1; i <= 100; ++i) {
      if (calls.end() - it < 3 || *it != "bar " + std::to_string(i) || it[1] != "wait 20" || it[2] != "events")
        return {};
      it += 3;
    }
    std::vector<std::string> rest{"animation"};
    rest.insert(rest.end(), it, calls.end());
    return rest;
  }
  std::vector<std::string> BeforeAnimation() const {
    return {calls.begin(), std::find(calls.begin(), calls.end(), "bar 1")};
  }
};

}  // namespace testsupport
