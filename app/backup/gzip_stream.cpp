#include "app/backup/gzip_stream.h"

#include <zlib.h>

#include "platform/os_error.h"

namespace veltrano::app::backup {
namespace {

constexpr std::size_t kChunk = 1 << 18;
// A gzip header and trailer around the deflate data, as tar and gzip read it.
constexpr int kGzipWindowBits = 15 + 16;
// Speed over the last few per cent of size: the whole backup is taken under the stations' locks.
constexpr int kCompressionLevel = 3;

}  // namespace

struct GzipWriter::Stream {
  z_stream z{};
  bool open = false;
};

struct GzipReader::Stream {
  z_stream z{};
  bool open = false;
};

GzipWriter::GzipWriter(platform::File& file)
    : stream_(std::make_unique<Stream>()), file_(file), out_(kChunk) {
  stream_->open = deflateInit2(&stream_->z, kCompressionLevel, Z_DEFLATED, kGzipWindowBits, 8,
                               Z_DEFAULT_STRATEGY) == Z_OK;
}

GzipWriter::~GzipWriter() {
  if (stream_->open) deflateEnd(&stream_->z);
}

int GzipWriter::deflateInto(int flush) {
  do {
    stream_->z.next_out = out_.data();
    stream_->z.avail_out = static_cast<uInt>(out_.size());
    const int result = deflate(&stream_->z, flush);
    if (result == Z_STREAM_ERROR) return platform::kOsWriteFault;
    const std::size_t produced = out_.size() - stream_->z.avail_out;
    if (produced > 0) {
      const platform::IoResult written = file_.write(offset_, std::span(out_.data(), produced));
      if (written.error != 0) return written.error;
      if (written.bytes != produced) return platform::kOsDiskFull;
      offset_ += produced;
    }
  } while (stream_->z.avail_out == 0);
  return 0;
}

int GzipWriter::write(std::span<const std::uint8_t> bytes) {
  if (!stream_->open) return platform::kOsWriteFault;
  stream_->z.next_in = const_cast<Bytef*>(bytes.data());
  stream_->z.avail_in = static_cast<uInt>(bytes.size());
  return deflateInto(Z_NO_FLUSH);
}

int GzipWriter::finish() {
  if (!stream_->open) return platform::kOsWriteFault;
  stream_->z.next_in = nullptr;
  stream_->z.avail_in = 0;
  if (const int error = deflateInto(Z_FINISH); error != 0) return error;
  return file_.sync();
}

GzipReader::GzipReader(platform::File& file) : stream_(std::make_unique<Stream>()), file_(file), in_(kChunk) {
  stream_->open = inflateInit2(&stream_->z, kGzipWindowBits) == Z_OK;
  damaged_ = !stream_->open;
}

GzipReader::~GzipReader() {
  if (stream_->open) inflateEnd(&stream_->z);
}

bool GzipReader::readExactly(std::span<std::uint8_t> out) {
  if (damaged_ || error_ != 0) return false;
  stream_->z.next_out = out.data();
  stream_->z.avail_out = static_cast<uInt>(out.size());
  while (stream_->z.avail_out > 0) {
    if (ended_) return false;
    if (stream_->z.avail_in == 0) {
      const platform::IoResult read = file_.read(offset_, in_);
      if (read.error != 0) {
        error_ = read.error;
        return false;
      }
      if (read.bytes == 0) {
        damaged_ = true;  // the file ends inside the stream
        return false;
      }
      offset_ += read.bytes;
      stream_->z.next_in = in_.data();
      stream_->z.avail_in = static_cast<uInt>(read.bytes);
    }
    const int result = inflate(&stream_->z, Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      ended_ = true;
    } else if (result != Z_OK) {
      damaged_ = true;
      return false;
    }
  }
  return true;
}

}  // namespace veltrano::app::backup
