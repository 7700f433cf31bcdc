#pragma once
// EEPROM image files as dorvel-adj-cli reads and writes them: the 8160 bytes
// of the image, nothing else.
#include <string>
#include <vector>

// Reads an image file; false with a one-line reason (naming the file) when
// it is missing, not a regular file, not exactly 8160 bytes or unreadable.
bool LoadImageFile(const std::string& path, std::vector<unsigned char>& image, std::string& reason);

// The parameter listing of an image, as terminal lines.
std::string ImageListing(const std::vector<unsigned char>& image);
