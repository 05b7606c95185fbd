#include "display/png_file.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "common/whole_file.h"

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

}  // namespace

bool WriteRgbPng(const std::string& path, const unsigned char* rgb, int width, int height) {
  if (rgb == nullptr || width <= 0 || height <= 0 || path.empty()) return false;
  const uLong raw = static_cast<uLong>(height) * (1 + static_cast<uLong>(width) * 3);
  std::vector<unsigned char> buffer(compressBound(raw) + 65536);
  MemoryOutput out{buffer.data(), buffer.size(), 0};
  if (!Encode(rgb, width, height, &out)) return false;
  return WriteWholeFile(path, buffer.data(), out.used);
}

}  // namespace kelvara
