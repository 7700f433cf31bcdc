#pragma once
// Image files: the radio's 8160-byte EEPROM image as it is, and beside it a
// small text record of where it came from (the radio's model codes, the date
// and time, the port and the parameter listing). The record of radio.bin is
// radio.txt; a bare image has none.
#include <optional>
#include <string>

#include "platform/ByteStr.h"

struct ImageRecord {
    std::string mainCode;   // four digits, for example "5314"
    std::string subCode;    // four digits, for example "0100"
    std::string time;       // ISO 8601 with the offset from UTC
    std::string port;       // for example "COM 1 (/dev/ttyUSB0)"
    std::string listing;    // the parameter listing, lines ending in LF
    std::string adapter{};  // for example "ftdi_sio, latency timer 1 ms, low latency set"; "" when unknown
    // Set when the radio's last write broke off, so that its memory is
    // partly the old image and partly the new one: what happened, in words.
    std::string partial = {};
};

// The record's text, and the record read back from such a text (false, with
// a reason, when a model code is missing or malformed).
std::string RecordText(const ImageRecord& r);
bool ParseRecord(const std::string& text, ImageRecord& r, std::string& reason);
// Where the record of an image file lives: its name with ".txt" in place of
// its last extension.
std::string RecordPathFor(const std::string& imagePath);

// An image file: a regular file of exactly 8160 bytes. False with a
// one-line reason naming the file otherwise.
bool LoadImageFile(const std::string& path, ByteStr& image, std::string& reason);
// The image and, when a record lies beside it, the record. A record that is
// there but unreadable is refused rather than ignored.
bool LoadImageAndRecord(const std::string& path, ByteStr& image, std::optional<ImageRecord>& record,
                        std::string& reason);
// Writes the image and its record, put in place together or not at all.
bool SaveImageAndRecord(const std::string& path, const ByteStr& image, const ImageRecord& record,
                        std::string& reason);

// The parameter listing of an image (CR LF lines).
std::string ImageListing(const ByteStr& image);
// The image is of the Mid variant.
bool ImageIsMid(const ByteStr& image);

// "5314-0100", as backups are named.
std::string ModelText(const std::string& mainCode, const std::string& subCode);
