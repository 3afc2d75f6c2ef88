#pragma once
// Every limit of the data layer, named once, with the reason it has the value it has. A value read from a
// file is checked against these before it sizes anything, so a damaged file gives an error, never a huge
// allocation, a wrapped offset or a write at the wrong place.
#include <cstdint>

namespace dbf {

// ---- table header ----

// Bytes 0..31 of a table, and of each field descriptor after them.
constexpr int kHeaderPrefix = 32;
constexpr int kDescriptorSize = 32;
// A field name fills at most 10 bytes of its descriptor; the 11th is its terminating zero.
constexpr int kMaxFieldName = 10;
// Fields of one table: the header length (two bytes) and dBASE IV's own limit of 255.
constexpr int kMaxFields = 255;
// Bytes after the descriptors' 0x0D terminator that we still take as header: some writers pad, and a
// 263-byte back-link follows it in another family of tables. More is a header length that lies.
constexpr int kMaxHeaderPadding = 264;
// Record length, header length: two-byte fields of the header.
constexpr int kMaxRecordLength = 65535;
// A file beyond this many bytes has a count no dBASE reader can address (32-bit offsets).
constexpr std::int64_t kMaxTableBytes = std::int64_t(1) << 32;

// ---- fields ----

// A text field we create: its width is one descriptor byte. Wider text fields of other writers keep the
// high byte of the width in the decimals byte; we read those and never write them.
constexpr int kMaxTextWidth = 254;
// Numbers are text of at most 20 characters in dBASE IV; more would not be read back by other programs.
constexpr int kMaxNumericWidth = 20;
// Decimals of a number: a double carries 15 to 17 significant digits, more decimals are noise.
constexpr int kMaxDecimals = 15;
// Memo fields hold a block number of 10 digits (4 bytes binary in some writers).
constexpr int kMaxMemoWidth = 10;
// Logical fields hold one character, date fields eight (yyyymmdd).
constexpr int kLogicalWidth = 1;
constexpr int kDateWidth = 8;
// Room for a number's text while it is formatted: a double in fixed notation has at most 309 integer
// digits, a sign, a point and kMaxDecimals decimals.
constexpr int kNumberTextRoom = 400;
// A number read from a field is at most a field's width (kMaxNumericWidth, or a wider C-typed field
// read as a number): longer text is not a number.
constexpr int kMaxNumberText = 127;

// ---- memo file ----

// Block size of the memo files we create, and the range of sizes we read (a multiple of 64).
constexpr std::int64_t kMemoBlock = 512;
constexpr std::int64_t kMinMemoBlock = 64;
constexpr std::int64_t kMaxMemoBlock = 65536;
// An entry longer than this is corruption, not a photo (the journal's photos are JPEGs of tens of KB).
constexpr std::uint32_t kMaxMemoEntry = 256u * 1024 * 1024;
// dBASE III entries have no length: they are read in chunks of this size until their end mark.
constexpr int kMemoReadChunk = 4096;

} // namespace dbf

namespace sql {

// Parentheses nested in a WHERE clause: the parser recurses once per level, and the statements the
// program builds nest at most two. A deeper statement is refused rather than run out of stack.
constexpr int kMaxNesting = 32;

} // namespace sql
