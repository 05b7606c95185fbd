#include "png_file.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

namespace kelvara {
namespace {

// The encoder writes into one buffer sized for the worst case, so that the
// file is written in one go and nothing can fail inside libpng's callbacks
// except a full buffer, which libpng reports as an error.
struct MemoryOutput {
  unsigned char* data;
  std::size_t capacity;
  std::size_t used;
};

void WriteToMemory(png_structp png, png_bytep bytes, png_size_t length) {
  auto* out = static_cast<MemoryOutput*>(png_get_io_ptr(png));
  if (length > out->capacity - out->used) png_error(png, "encoder buffer full");
  std::memcpy(out->data + out->used, bytes, length);
  out->used += length;
}

void FlushNothing(png_structp) {}

// libpng reports errors by longjmp back into Encode; warnings are dropped.
void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// Only plain C objects live in this frame, because an error unwinds it with
// longjmp.
bool Encode(const unsigned char* rgb, int width, int height, MemoryOutput* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, WriteToMemory, FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Fast and lossless: level 1, the SUB filter and run-length matching.
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) png_write_row(png, rgb + y * stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A hidden temporary name beside `path`, unique within this process.
std::string TemporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

// Writes the bytes to a temporary file and renames it over `path`, so that a
// failed write never leaves a truncated image under the real name.
bool WriteFileReplacing(const std::string& path, const unsigned char* data, std::size_t size) {
  const std::string temporary = TemporaryPathFor(path);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, data, size);
  const bool closed = ::close(fd) == 0;
  if (written && closed && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

}  // namespace

bool WriteRgbPng(const std::string& path, const unsigned char* rgb, int width, int height) {
  if (rgb == nullptr || width <= 0 || height <= 0 || path.empty()) return false;
  const uLong raw = static_cast<uLong>(height) * (1 + static_cast<uLong>(width) * 3);
  std::vector<unsigned char> buffer(compressBound(raw) + 65536);
  MemoryOutput out{buffer.data(), buffer.size(), 0};
  if (!Encode(rgb, width, height, &out)) return false;
  return WriteFileReplacing(path, buffer.data(), out.used);
}

}  // namespace kelvara
