#pragma once
// Every fixed limit of the report engine, in one place, with the reason it exists. Templates, prepared
// reports and expressions come from files anyone can edit or damage; each limit turns what would be a
// stack overflow, an endless loop or an arithmetic overflow into the engine's error.
#include <QtGlobal>

namespace rplimits {

// Expressions nested inside each other (IF(IF(...)), a call inside a call's parameter, a name worked
// out as an expression that names another): each level is a native recursion of the parser, and a
// template nesting thousands of levels overflowed the stack. Real templates nest a handful.
constexpr int ExpressionDepth = 128;

// Names worked out as expressions nesting into further names. A chain that never repeats exactly (each
// name a blank longer, from an unclosed quote) must end too.
constexpr int NameDepth = 64;

// Calls (IF, COPY, functions) replaced while one expression text is translated: each replacement may
// bring new calls, and a function answering with its own call would loop for ever.
constexpr int CallReplacements = 1000;

// Operands an expression may hold pending at once (the evaluation stack of the postfix form).
constexpr int OperandStack = 8;

// Lines a compiled script may have: the compiler's jump targets are 16-bit.
constexpr int ScriptLines = 65536;

// Coordinates and sizes of objects, margins and column gaps in design pixels: a million pixels is
// 275 m of paper; anything beyond comes from a damaged stream and overflowed the layout's arithmetic.
constexpr qint32 Coordinate = 1 << 20;

// Frame widths in the stream's thousandths of a point: up to 1000 points.
constexpr qint32 FrameWidth = 1000000;

// Font sizes in points, either sign: a damaged size must not overflow the text metrics.
constexpr qint32 FontSize = 10000;

// Page record of a template. The paper code is a printer paper number (256: custom size); its width
// and height are in tenths of a millimetre, up to 5 m (the largest roll papers are far below); the
// column count is divided into the page width and each column is a pass of the page formation.
constexpr qint32 PaperCode = 256;
constexpr qint32 PaperExtent = 50000;
constexpr qint32 Columns = 100;

// A short string of the stream (names, data-set and field names, the inspector's values): one length
// byte before its bytes.
constexpr int ShortString = 255;

// Decimals of a display format: one byte of the format code.
constexpr int FormatDecimals = 255;

// Unique object names tried (BaseName1, BaseName2, ...) before giving up.
constexpr int UniqueNameTries = 10000;

// Add-in objects, export filters, function libraries and tools each registry holds: fixed arrays of the
// engine-wide state.
constexpr int Registry = 32;

// Papers a printer may list (the page record's paper list is a 256-entry array).
constexpr int PrinterPapers = 256;

} // namespace rplimits
