#pragma once
// SHA-256 of a byte string, as 64 lowercase hexadecimal digits: what a run
// record says of the procedure file it followed.
#include <string>

std::string Sha256Hex(const std::string& data);
