// damaged_file_sweep: a demo KARTA damaged every way a single byte can damage it — each byte of the
// header and of the first pages changed in turn, and the file cut after every length — and each
// damaged copy given to the wlk commands an administrator runs. None may crash or hang; no
// command may exit 0 after writing into a file the check finds damaged (BUILD may, when it
// leaves the file sound: mending keys is what it is for), and no write that exits 0 may leave a
// damaged file behind.
//
//   damaged_file_sweep [--wlk PATH] [--dir D] [--employees N] [--bytes B] [--every K]
//                      [--truncations-every T] [--xor X] [--timeout S]
//
//   --employees N           cards in the demo KARTA (default 16)
//   --bytes B               bytes from the start of the file changed one at a time (default the
//                           header and the first 8 units of pages: 2560)
//   --every K               only every K-th of them, and every K-th of the truncations (default 1)
//   --truncations-every T   beyond the header, cut at every T-th length (default 64; every length
//                           within the header and the first unit)
//   --xor X                 the change: each byte is XORed with X (default 255)
//   --timeout S             seconds a command may take before it counts as hanging (default 30)
//
// Prints what each command answered (exit statuses counted) and every failure; the exit status is
// 0 when there was none.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#ifndef VELTRANO_WLK_BINARY
#define VELTRANO_WLK_BINARY ""
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<char>;

struct Options {
  std::string wlk = VELTRANO_WLK_BINARY;
  std::string directory;
  int employees = 16;
  std::size_t bytes = 512 + 8 * 256;
  std::size_t every = 1;
  std::size_t truncations_every = 64;
  int xor_with = 0xFF;
  int timeout = 30;
};

// How a command ended: its exit status, or a signal (a crash), or the timeout (a hang).
struct Ending {
  int status = 0;
  bool crashed = false;
  bool hung = false;
  std::string output;  // stderr and stdout together, for a report
};

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class Sweep {
 public:
  explicit Sweep(Options options) : options_(std::move(options)) {}

  bool prepare();
  void run();
  int report() const;
  const fs::path& directory() const { return directory_; }

 private:
  Ending wlk(const std::vector<std::string>& arguments);
  void variant(const std::string& what, const Bytes& image);
  void failure(const std::string& what, const std::string& command, const Ending& ending);

  Options options_;
  fs::path directory_;
  Bytes sound_;
  std::string kept_number_;  // KAR:NUM of a card the delete removes
  std::size_t variants_ = 0, commands_ = 0, damaged_ = 0, refused_writes_ = 0;
  std::map<std::string, std::map<int, std::size_t>> statuses_;  // command → exit status → count
  std::vector<std::string> failures_;
  std::vector<std::string> refused_sound_;  // writes refused on copies the check finds sound
};

Ending Sweep::wlk(const std::vector<std::string>& arguments) {
  ++commands_;
  const fs::path output = directory_ / "output.txt";
  const pid_t child = ::fork();
  if (child == 0) {
    if (std::freopen(output.c_str(), "w", stdout) == nullptr || ::dup2(::fileno(stdout), 2) < 0 ||
        ::chdir(directory_.c_str()) != 0)
      ::_exit(126);
    std::vector<char*> argv{const_cast<char*>(options_.wlk.c_str()), const_cast<char*>("--oem")};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(options_.wlk.c_str(), argv.data());
    ::_exit(127);
  }
  Ending ending;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options_.timeout);
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ending.hung = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ending.crashed = !ending.hung && WIFSIGNALED(status);
  ending.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const Bytes text = readFile(output);
  ending.output.assign(text.begin(), text.end());
  return ending;
}

void Sweep::failure(const std::string& what, const std::string& command, const Ending& ending) {
  failures_.push_back(what + ": wlk " + command + " " +
                      (ending.hung      ? "hung"
                       : ending.crashed ? "crashed"
                                        : "exited " + std::to_string(ending.status)) +
                      "\n" + ending.output);
}

bool Sweep::prepare() {
  directory_ = options_.directory.empty()
                   ? fs::temp_directory_path() / ("damaged_file_sweep." + std::to_string(::getpid()))
                   : fs::path(options_.directory);
  fs::remove_all(directory_ / "demo");
  fs::create_directories(directory_ / "demo");
  if (options_.wlk.empty() || !fs::exists(options_.wlk)) {
    std::cerr << "damaged_file_sweep: no wlk binary (give --wlk PATH)\n";
    return false;
  }
  const Ending demo = wlk({"demo", "demo", "--employees", std::to_string(options_.employees), "--seed", "1"});
  if (demo.status != 0) {
    std::cerr << "damaged_file_sweep: wlk demo failed\n" << demo.output;
    return false;
  }
  sound_ = readFile(directory_ / "demo" / "KARTA.WLK");
  writeFile(directory_ / "case.WLK", sound_);
  const Ending first = wlk({"select", "case", "--field", "KAR:NUM"});
  kept_number_ = first.output.substr(0, first.output.find('\n'));
  if (wlk({"check", "case"}).status != 0 || kept_number_.empty()) {
    std::cerr << "damaged_file_sweep: the demo KARTA is not sound to begin with\n";
    return false;
  }
  return true;
}

void Sweep::variant(const std::string& what, const Bytes& image) {
  if (++variants_ % 250 == 0)
    std::cout << "damaged_file_sweep: " << variants_ << " copies so far" << std::endl;
  const fs::path damaged = directory_ / "case.WLK";
  writeFile(damaged, image);
  auto ended = [&](const std::string& name, const Ending& ending) {
    ++statuses_[name][ending.hung ? -2 : ending.crashed ? -1 : ending.status];
    if (ending.hung || ending.crashed) failure(what, name, ending);
  };
  const Ending check = wlk({"check", "case"});
  ended("check", check);
  const bool sound = check.status == 0;
  if (!sound) ++damaged_;
  ended("tables", wlk({"tables", "case"}));
  ended("schema", wlk({"schema", "case"}));
  ended("select", wlk({"select", "case"}));
  ended("select --key", wlk({"select", "case", "--key", "KAR:FAM_KEY", "--field", "KAR:FAM"}));
  const std::vector<std::pair<std::string, std::vector<std::string>>> writes = {
      {"insert", {"insert", "case", "KAR:NUM=999999", "KAR:FAM=Тестов"}},
      {"delete", {"delete", "case", "--filter", "KAR:NUM=" + kept_number_}},
      {"build", {"build", "case"}},
  };
  for (const auto& [name, arguments] : writes) {
    writeFile(damaged, image);
    const Ending written = wlk(arguments);
    ended(name, written);
    if (written.status != 0) {
      if (sound) {
        // Not a failure (the check cannot see every damage), but worth a look.
        if (refused_sound_.size() < 10)
          refused_sound_.push_back(what + ": wlk " + name + "\n" + written.output);
      } else {
        ++refused_writes_;
      }
      continue;
    }
    // Only BUILD may write into a damaged file, and only to leave it sound.
    if (!sound && name != "build") failure(what + " (check finds it damaged)", name, written);
    const Ending after = wlk({"check", "case"});
    if (after.status != 0) failure(what + ", after wlk " + name + " exited 0: wlk check", "check", after);
  }
}

void Sweep::run() {
  const std::size_t bytes = std::min(options_.bytes, sound_.size());
  for (std::size_t at = 0; at < bytes; at += options_.every) {
    Bytes image = sound_;
    image[at] = static_cast<char>(image[at] ^ options_.xor_with);
    variant("byte " + std::to_string(at) + " ^ " + std::to_string(options_.xor_with), image);
  }
  std::size_t cut_index = 0;
  for (std::size_t length = 0; length < sound_.size(); ++length) {
    if (length > 512 + 256 && length % options_.truncations_every != 0) continue;
    if (cut_index++ % options_.every != 0) continue;
    variant("cut to " + std::to_string(length) + " bytes",
            Bytes(sound_.begin(), sound_.begin() + static_cast<long>(length)));
  }
}

int Sweep::report() const {
  std::cout << "damaged_file_sweep: a demo KARTA of " << sound_.size() << " bytes (" << options_.employees
            << " cards): " << variants_ << " damaged copies, " << damaged_ << " found damaged by check, "
            << commands_ << " commands run, " << refused_writes_ << " writes refused on damaged copies\n";
  for (const auto& [command, counts] : statuses_) {
    std::cout << "  " << command << ":";
    for (const auto& [status, count] : counts) {
      std::cout << " "
                << (status == -2   ? "hung"
                    : status == -1 ? "crashed"
                                   : "exit " + std::to_string(status))
                << " " << count;
    }
    std::cout << "\n";
  }
  for (const auto& what : refused_sound_)
    std::cout << "refused although the check finds the copy sound: " << what;
  for (const auto& what : failures_) std::cout << "FAILED: " << what << "\n";
  std::cout << "damaged_file_sweep: " << failures_.size() << " failures\n";
  return failures_.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool has_value = i + 1 < argc;
    if (argument == "--wlk" && has_value) {
      options.wlk = argv[++i];
    } else if (argument == "--dir" && has_value) {
      options.directory = argv[++i];
    } else if (argument == "--employees" && has_value) {
      options.employees = std::atoi(argv[++i]);
    } else if (argument == "--bytes" && has_value) {
      options.bytes = std::strtoul(argv[++i], nullptr, 10);
    } else if (argument == "--every" && has_value) {
      options.every = std::max<std::size_t>(1, std::strtoul(argv[++i], nullptr, 10));
    } else if (argument == "--truncations-every" && has_value) {
      options.truncations_every = std::max<std::size_t>(1, std::strtoul(argv[++i], nullptr, 10));
    } else if (argument == "--xor" && has_value) {
      options.xor_with = std::max(1, std::atoi(argv[++i]) & 0xFF);
    } else if (argument == "--timeout" && has_value) {
      options.timeout = std::max(1, std::atoi(argv[++i]));
    } else {
      std::cerr << "usage: damaged_file_sweep [--wlk PATH] [--dir D] [--employees N] [--bytes B] [--every K] "
                   "[--truncations-every T] [--xor X] [--timeout S]\n";
      return 2;
    }
  }
  const bool own_directory = options.directory.empty();
  Sweep sweep(options);
  if (!sweep.prepare()) return 2;
  sweep.run();
  const int status = sweep.report();
  // A directory of its own goes after a run without failures; a failed run's is kept to look at.
  if (own_directory && status == 0) fs::remove_all(sweep.directory());
  return status;
}
