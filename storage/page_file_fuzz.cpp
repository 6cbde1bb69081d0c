// Opens arbitrary storage-file images and walks them: a damaged file must give error 36 or a
// storage failure, never a crash, a hang or a read out of bounds.
//
// The first byte picks how the image is made: taken as it is from the input, or built as a good
// file (entries drawn from the input) and then damaged at places the input chooses, which
// reaches far deeper into the page and tree code than random bytes do. Its bits also choose an
// owner password and whether the file is then changed and written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "storage/page_file.h"
#include "storage/storage_failure.h"

namespace {

using veltrano::storage::Entry;
using veltrano::storage::PageFile;
using veltrano::storage::PageFileOptions;
using veltrano::storage::Seek;
using veltrano::storage::StorageFailure;
using Bytes = std::vector<std::uint8_t>;

const std::string& imagePath() {
  static const std::string path = [] {
    const std::filesystem::path shared_memory("/dev/shm");
    const auto base =
        std::filesystem::is_directory(shared_memory) ? shared_memory : std::filesystem::temp_directory_path();
    return (base / ("veltrano-page-fuzz-" + std::to_string(::getpid()) + ".wlk")).string();
  }();
  return path;
}

void writeImage(const Bytes& image) {
  std::ofstream out(imagePath(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
}

Bytes readImage() {
  std::ifstream in(imagePath(), std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A good file whose entries come from the input, damaged where the input says.
Bytes buildAndDamage(const std::uint8_t* data, std::size_t size, const PageFileOptions& options) {
  std::filesystem::remove(imagePath());
  {
    int error = 0;
    auto file = PageFile::open(imagePath(), veltrano::platform::Creation::OpenOrCreate, options, &error);
    if (file == nullptr) return {};
    const std::size_t entries = 10 + std::size_t{size > 1 ? data[1] : std::uint8_t{0}} * 2;
    std::uint32_t mix = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) mix = (mix ^ data[i]) * 16777619u;
    for (std::size_t i = 0; i < entries; ++i) {
      mix = mix * 1103515245u + 12345u;
      Bytes key{static_cast<std::uint8_t>(mix >> 24), static_cast<std::uint8_t>(i >> 8),
                static_cast<std::uint8_t>(i)};
      key.resize(3 + (mix >> 8) % 40, static_cast<std::uint8_t>(mix));
      Bytes value((mix >> 4) % 300, static_cast<std::uint8_t>(i % 3 == 0 ? 0 : mix >> 16));
      file->insert(key, value);
    }
    if (file->flush() != 0) return {};
  }
  Bytes image = readImage();
  if (image.empty()) return image;
  // Damage: each three input bytes flip one byte of the image; a last odd byte cuts it short.
  std::size_t at = 2;
  for (; at + 3 <= size; at += 3) {
    const std::size_t where = (std::size_t{data[at]} << 8 | data[at + 1]) * 7 % image.size();
    image[where] ^= data[at + 2] == 0 ? 0x01 : data[at + 2];
  }
  if (at < size && data[at] % 4 == 0) image.resize(image.size() * data[at] / 256);
  return image;
}

void walk(PageFile& file) {
  Entry entry;
  Bytes key;
  int steps = 0;
  bool more = file.seek({}, Seek::AtOrAfter, entry);
  while (more && ++steps < 20000) {
    key.assign(entry.key().begin(), entry.key().end());
    more = file.seek(key, Seek::After, entry);
  }
  more = file.seek(Bytes(1, 0xFF), Seek::AtOrBefore, entry);
  for (int back = 0; more && back < 50; ++back) {
    key.assign(entry.key().begin(), entry.key().end());
    file.find(key, entry);
    more = file.seek(key, Seek::Before, entry);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t mode = size > 0 ? data[0] : 0;
  PageFileOptions options;
  if (mode & 0x02) options.owner = "fz";
  options.read_only = (mode & 0x04) != 0;
  options.lock_for_writes = false;
  const bool change = (mode & 0x08) != 0 && !options.read_only;
  try {
    if (mode & 0x01) {
      PageFileOptions builder = options;
      builder.read_only = false;
      writeImage(buildAndDamage(data, size, builder));
    } else {
      writeImage(Bytes(data + (size > 0 ? 1 : 0), data + size));
    }
    int error = 0;
    auto file = PageFile::open(imagePath(), veltrano::platform::Creation::OpenExisting, options, &error);
    if (file == nullptr) return 0;
    walk(*file);
    if (change) {
      for (std::size_t i = 0; i < size && i < 64; ++i) {
        const Bytes key{data[i], static_cast<std::uint8_t>(i)};
        if (data[i] % 3 == 0) {
          file->erase(key);
        } else {
          file->insert(key, Bytes(data[i], data[i]));
        }
      }
      file->flush();
      file.reset();
      file = PageFile::open(imagePath(), veltrano::platform::Creation::OpenExisting, options, &error);
      if (file != nullptr) walk(*file);
    }
  } catch (const StorageFailure&) {
    // A damaged file is reported; that is all this target asks.
  }
  return 0;
}
