#include "platform/port_lock.h"

#include <signal.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

bool process_alive(long pid) {
  if (pid <= 0 || pid > 0x3fffffff) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// A UUCP lock holds the pid as ASCII (HDB style) or, in old files, as a binary int.
long lock_file_pid(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    long pid = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && pid < 0x40000000; ++i)
      pid = pid * 10 + (text[i] - '0');
    return pid;
  }
  if (text.size() == sizeof(int)) {
    int binary = 0;
    std::memcpy(&binary, text.data(), sizeof binary);
    return binary;
  }
  return 0;
}

}  // namespace

std::string process_description(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  if (name.empty()) return "pid " + std::to_string(pid);
  return name + ", pid " + std::to_string(pid);
}

std::string uucp_lock_holder(const std::string& device_path, const std::string& lock_dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::string names[2] = {fs::path(device_path).filename().string(),
                          fs::canonical(device_path, ec).filename().string()};
  for (const std::string& name : names) {
    if (name.empty()) continue;
    const long pid = lock_file_pid(lock_dir + "/LCK.." + name);
    if (pid != ::getpid() && process_alive(pid)) return process_description(pid);
  }
  return {};
}

std::string flock_holder(dev_t device, ino_t inode, const std::string& proc_locks) {
  std::string text = proc_locks;
  if (text.empty()) {
    std::ifstream in("/proc/locks");
    text.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // "1: FLOCK  ADVISORY  WRITE 1234 00:19:4 0 EOF"; a waiter's line has "->" after the number.
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, kind, advisory, access, pid_text, file;
    fields >> id >> kind;
    if (kind == "->") continue;
    fields >> advisory >> access >> pid_text >> file;
    unsigned major_number = 0, minor_number = 0;
    unsigned long long inode_number = 0;
    if (std::sscanf(file.c_str(), "%x:%x:%llu", &major_number, &minor_number, &inode_number) != 3) continue;
    if (major_number != ::major(device) || minor_number != ::minor(device) || inode_number != inode) continue;
    const long pid = std::atol(pid_text.c_str());
    if (pid > 0) return process_description(pid);
  }
  return {};
}

}  // namespace vexa
