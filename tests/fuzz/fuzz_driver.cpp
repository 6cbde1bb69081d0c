// A small stand-in for a coverage-guided fuzzer, so that every fuzz target also runs as a short
// deterministic test under the ordinary compiler. It feeds the target random byte strings and
// mutations of earlier inputs (bit flips, byte insertions, splices), and replays any files named
// on the command line first. Longer, coverage-guided runs use the same target with libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

using Input = std::vector<std::uint8_t>;

Input mutate(const Input& base, const std::vector<Input>& corpus, std::mt19937_64& random) {
  Input out = base;
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int edit = 0; edit < edits; ++edit) {
    switch (random() % 5) {
      case 0:
        if (!out.empty()) out[random() % out.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        break;
      case 1:
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(out.empty() ? 0 : random() % (out.size() + 1)),
                   static_cast<std::uint8_t>(random()));
        break;
      case 2:
        if (!out.empty()) out.erase(out.begin() + static_cast<std::ptrdiff_t>(random() % out.size()));
        break;
      case 3:
        if (!out.empty()) out[random() % out.size()] = static_cast<std::uint8_t>(random());
        break;
      default: {
        const Input& other = corpus[random() % corpus.size()];
        if (!other.empty()) {
          const std::size_t from = random() % other.size();
          const std::size_t length = 1 + random() % (other.size() - from);
          out.insert(out.end(), other.begin() + static_cast<std::ptrdiff_t>(from),
                     other.begin() + static_cast<std::ptrdiff_t>(from + length));
        }
      }
    }
  }
  if (out.size() > 65536) out.resize(65536);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  long runs = 20000;
  std::uint64_t seed = 20261208;
  std::vector<Input> corpus{Input{}};
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--runs=", 0) == 0) {
      runs = std::strtol(argument.c_str() + 7, nullptr, 10);
    } else if (argument.rfind("--seed=", 0) == 0) {
      seed = std::strtoull(argument.c_str() + 7, nullptr, 10);
    } else {
      std::ifstream file(argument, std::ios::binary);
      Input input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(input.data(), input.size());
      corpus.push_back(std::move(input));
    }
  }
  std::mt19937_64 random(seed);
  for (long run = 0; run < runs; ++run) {
    Input input;
    if (random() % 4 == 0) {
      input.resize(random() % 512);
      for (auto& byte : input) byte = static_cast<std::uint8_t>(random());
    } else {
      input = mutate(corpus[random() % corpus.size()], corpus, random);
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
    if (corpus.size() < 256 && random() % 8 == 0) corpus.push_back(std::move(input));
  }
  std::cout << "fuzz: " << runs << " runs, seed " << seed << ", no failure\n";
  return 0;
}
