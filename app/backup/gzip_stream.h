// A gzip stream written to, or read from, a file through the platform's files, so that a backup
// archive is written and read as every other file is (and fails as they do under a test's fault
// injection).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/file.h"

namespace veltrano::app::backup {

class GzipWriter {
 public:
  // REQUIRES: `file` is empty and outlives the writer.
  explicit GzipWriter(platform::File& file);
  ~GzipWriter();
  GzipWriter(const GzipWriter&) = delete;
  GzipWriter& operator=(const GzipWriter&) = delete;

  // 0, or the operating-system error of the write (the stream is then unusable).
  int write(std::span<const std::uint8_t> bytes);
  // Ends the stream and flushes the file to the medium.
  int finish();

 private:
  int deflateInto(int flush);
  struct Stream;
  std::unique_ptr<Stream> stream_;
  platform::File& file_;
  std::uint64_t offset_ = 0;
  std::vector<std::uint8_t> out_;
};

class GzipReader {
 public:
  explicit GzipReader(platform::File& file);
  ~GzipReader();
  GzipReader(const GzipReader&) = delete;
  GzipReader& operator=(const GzipReader&) = delete;

  // Fills `out` entirely: true, or false at the end of the stream before that or on damaged
  // data (damaged() tells which) or a read error (error()).
  bool readExactly(std::span<std::uint8_t> out);
  bool damaged() const { return damaged_; }
  int error() const { return error_; }

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;
  platform::File& file_;
  std::uint64_t offset_ = 0;
  std::vector<std::uint8_t> in_;
  bool ended_ = false;
  bool damaged_ = false;
  int error_ = 0;
};

}  // namespace veltrano::app::backup
