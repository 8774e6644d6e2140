// The Windows side of tests/support/page_server.py: the server's folder is reached through
// drive Z: (the Linux root), its ports are read from the "ports" file, the page it serves is
// written to "body" and the requests it saw are read back from "requests.log".
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win.h"

namespace testsupport {

struct SeenRequest {
  std::string mode;                 // the server behaviour that took it
  std::string requestLine;          // "GET /gxbb.htm HTTP/1.0"
  std::vector<std::string> headers; // "Name: value", in the order sent
};

class PageServer {
 public:
  // False when the test was not started beside a page server. PAGE_SERVER_DIR names the
  // folder of a fresh one (with_page_server.sh), TARNWICK_PAGE_DIR that of the test run's
  // server on the program's update port (the pageserver fixture).
  bool Attach(const char* dirVariable = "PAGE_SERVER_DIR") {
    const char* dir = std::getenv(dirVariable);
    if (!dir || dir[0] != '/') return false;
    dir_ = std::string("Z:") + dir;
    for (char& c : dir_)
      if (c == '/') c = '\\';
    std::ifstream ports(File("ports"));
    std::string mode;
    int port = 0;
    while (ports >> mode >> port) ports_[mode] = port;
    return ports_.count("body") && ports_.count("refuse");
  }

  int Port(const std::string& mode) const { return ports_.at(mode); }

  // The page address of one behaviour: "http://127.0.0.1:<port>/gxbb.htm".
  std::wstring Url(const std::string& mode, const char* path = "/gxbb.htm") const {
    std::string url = "http://127.0.0.1:" + std::to_string(Port(mode)) + path;
    return std::wstring(url.begin(), url.end());
  }

  void SetBody(const std::string& bytes, const std::string& status = "200 OK") {
    Write("body", bytes);
    Write("status", status);
  }

  void ForgetRequests() { std::remove(File("requests.log").c_str()); }

  // What the fixed port does from now on: "site", "body", "hang", "refuse", ... True once the
  // server has put it in force.
  bool SetMode(const std::string& mode) {
    Write("mode", mode);
    const ULONGLONG deadline = GetTickCount64() + 5000;
    for (;;) {
      std::ifstream applied(File("mode.applied"), std::ios::binary);
      std::string now((std::istreambuf_iterator<char>(applied)), std::istreambuf_iterator<char>());
      if (now == mode) return true;
      if (GetTickCount64() > deadline) return false;
      Sleep(10);
    }
  }

  std::vector<SeenRequest> Requests() const {
    std::vector<SeenRequest> seen;
    std::ifstream log(File("requests.log"), std::ios::binary);
    std::string line;
    while (std::getline(log, line)) {
      if (line.rfind("=== ", 0) == 0) {
        seen.push_back({line.substr(4), "", {}});
      } else if (!seen.empty() && seen.back().requestLine.empty()) {
        seen.back().requestLine = line;
      } else if (!seen.empty() && !line.empty()) {
        seen.back().headers.push_back(line);
      }
    }
    return seen;
  }

 private:
  std::string File(const char* name) const { return dir_ + "\\" + name; }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream f(File(name), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string dir_;
  std::map<std::string, int> ports_;
};

}  // namespace testsupport
