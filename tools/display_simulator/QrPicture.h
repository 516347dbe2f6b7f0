#pragma once

#include <filesystem>
#include <string>

namespace display_simulator {

// The QR code of a text as the customer's phone would scan it: in the terminal as text blocks
// (two modules a character, with the quiet zone) and as a PNG file of black and white pixels.
// Both answer false when the text cannot be encoded.
bool QrTextBlocks(const std::string& text, std::string& blocks);
bool WriteQrPng(const std::string& text, const std::filesystem::path& file, int pixelsPerModule);

}  // namespace display_simulator
