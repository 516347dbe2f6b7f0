#include "QrPicture.h"

#include <qrencode.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <vector>

namespace display_simulator {

namespace {

constexpr int kQuietZone = 4;

struct QrCodeFree {
  void operator()(QRcode* code) const { QRcode_free(code); }
};
using QrCode = std::unique_ptr<QRcode, QrCodeFree>;

QrCode Encode(const std::string& text) {
  return QrCode(QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M));
}

// Dark modules, the quiet zone around the symbol included.
bool Dark(const QRcode& code, int x, int y) {
  x -= kQuietZone;
  y -= kQuietZone;
  if (x < 0 || y < 0 || x >= code.width || y >= code.width) return false;
  return (code.data[y * code.width + x] & 1) != 0;
}

std::uint32_t Crc32(const std::string& bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
  PutBigEndian32(png, static_cast<std::uint32_t>(data.size()));
  const std::string typed = std::string(type, 4) + data;
  png += typed;
  PutBigEndian32(png, Crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks: the picture is small.
std::string StoredZlib(const std::string& raw) {
  std::string out = "\x78\x01";
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
    const bool last = at + length == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(~length & 0xFF);
    out += static_cast<char>((~length >> 8) & 0xFF);
    out.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  PutBigEndian32(out, (b << 16) | a);
  return out;
}

}  // namespace

bool QrTextBlocks(const std::string& text, std::string& blocks) {
  const QrCode code = Encode(text);
  if (!code) return false;
  const int size = code->width + 2 * kQuietZone;
  blocks.clear();
  // Light on dark terminals too: a dark module is a blank, a light one a full block.
  for (int y = 0; y < size; y += 2) {
    for (int x = 0; x < size; ++x) {
      const bool top = Dark(*code, x, y);
      const bool bottom = y + 1 < size ? Dark(*code, x, y + 1) : false;
      blocks += top ? (bottom ? " " : "\u2584") : (bottom ? "\u2580" : "\u2588");
    }
    blocks += '\n';
  }
  return true;
}

bool WriteQrPng(const std::string& text, const std::filesystem::path& file, int pixelsPerModule) {
  const QrCode code = Encode(text);
  if (!code) return false;
  const int modules = code->width + 2 * kQuietZone;
  const int side = modules * pixelsPerModule;
  std::string raw;
  raw.reserve(static_cast<std::size_t>(side) * (side + 1));
  for (int y = 0; y < side; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < side; ++x) {
      raw += Dark(*code, x / pixelsPerModule, y / pixelsPerModule) ? '\0' : '\xFF';
    }
  }
  std::string header;
  PutBigEndian32(header, static_cast<std::uint32_t>(side));
  PutBigEndian32(header, static_cast<std::uint32_t>(side));
  header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit greyscale, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", std::string());
  std::ofstream out(file, std::ios::binary);
  out << png;
  return static_cast<bool>(out);
}

}  // namespace display_simulator
