// Runs the built wlk program as a user would, for the tests that check it from the outside.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace veltrano::wlk::testing {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// A fresh directory for the running test, named after it, removed with the object.
class TestDirectory {
 public:
  explicit TestDirectory(const std::string& stem)
      : path_(std::filesystem::temp_directory_path() /
              (stem + "-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestDirectory() { std::filesystem::remove_all(path_); }
  TestDirectory(const TestDirectory&) = delete;
  TestDirectory& operator=(const TestDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs wlk with the arguments (no shell) in `directory`, capturing stdout, stderr and the exit
// status.
inline Outcome runWlk(const std::vector<std::string>& arguments,
                      const std::filesystem::path& directory = std::filesystem::temp_directory_path()) {
  const auto stem = "wlk-cli-" + std::to_string(::getpid());
  const auto out_path = std::filesystem::temp_directory_path() / (stem + ".out");
  const auto err_path = std::filesystem::temp_directory_path() / (stem + ".err");
  const pid_t child = ::fork();
  if (child == 0) {
    if (std::freopen(out_path.c_str(), "w", stdout) == nullptr ||
        std::freopen(err_path.c_str(), "w", stderr) == nullptr || ::chdir(directory.c_str()) != 0) {
      ::_exit(126);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(WLK_BINARY));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(WLK_BINARY, argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  Outcome outcome;
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.out = readAll(out_path);
  outcome.err = readAll(err_path);
  std::filesystem::remove(out_path);
  std::filesystem::remove(err_path);
  return outcome;
}

}  // namespace veltrano::wlk::testing
