// Image codecs: content sniffing, JPEG, BMP and PICT reading and writing, the graphics
// importer and exporter, and pictures drawn into any rectangle of a port.
//
// Readers take a whole file or stream in memory and return a new GWorld of the image's
// size. Bad data of any kind gives a status, never a crash: every length is checked
// against the bytes present and no image larger than kMaxImagePixels is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/draw.h"
#include "platform/files.h"
#include "platform/types.h"

constexpr OSErr codecErr = -8960;    // corrupt, truncated or unsupported image data
constexpr OSErr noCodecErr = -8961;  // no reader or writer for this kind of image

constexpr std::int64_t kMaxImagePixels = std::int64_t(1) << 26;  // 64 Mpx, 256 MB as a GWorld

// ---- Content sniffing ----

// The MIME text of the image in data, whatever its file is named: "image/x-bmp",
// "image/pict", "image/jpeg", "image/tiff", "image/gif", "image/png", "application/pdf";
// null when none applies. A PICT is recognised with or without its 512-byte header.
const char* SniffImageMIMEType(const std::uint8_t* data, std::size_t size);

// ---- JPEG ----

// The pixel size that a decode at 1/scale_denom gives. 0, codecErr, or -50 for a
// scale_denom other than 1, 2, 4 or 8.
OSErr GetJPEGImageSize(const std::uint8_t* data, std::size_t size, int scale_denom,
                       std::int16_t* width, std::int16_t* height);
// Decodes a baseline or progressive JPEG stream (colour, greyscale, CMYK or YCCK) at
// 1/scale_denom straight into dst's rows from its top-left corner; parts of the image
// beyond dst are dropped, dst pixels beyond the image are left as they were. 0, -50,
// -108, or codecErr for a corrupt stream or one that ends before its last row (dst then
// holds what was decoded); bytes after the last row and a missing end marker do not count.
OSErr DecompressJPEGImage(const std::uint8_t* data, std::size_t size, int scale_denom,
                          GWorldPtr dst);
// The stream decoded at 1/scale_denom into a new GWorld in *out. 0, -50, -108, codecErr.
OSErr ReadJPEGImage(const std::uint8_t* data, std::size_t size, int scale_denom, GWorldPtr* out);

struct JPEGEncodeOptions {
    int quality;                // 1..100, with baseline-compatible tables
    bool sampling_422;          // luminance sampled 2 x 1 instead of the default 2 x 2
    std::uint8_t density_unit;  // JFIF density unit: 0 none, 1 dots per inch, 2 per cm
    std::uint16_t x_density;    // JFIF horizontal density
    std::uint16_t y_density;    // JFIF vertical density
};
// The whole of src as a sequential baseline JFIF stream appended to *out (cleared first).
// 0, -50 for an empty source, -108, or codecErr for a failure inside the library.
OSErr CompressJPEGImage(GWorldPtr src, const JPEGEncodeOptions* options,
                        std::vector<std::uint8_t>* out);

// ---- Windows bitmap ----

// Reads 1, 4, 8, 16, 24 and 32-bit bitmaps, RLE8, RLE4 and bit fields, bottom-up or
// top-down, with core, info, V4 or V5 headers. 0, -108, codecErr.
OSErr ReadBMPImage(const std::uint8_t* data, std::size_t size, GWorldPtr* out);
// src as a 24-bit bottom-up bitmap with an info header, in *out. 0, -50, -108.
OSErr WriteBMPImage(GWorldPtr src, std::vector<std::uint8_t>* out);

// ---- PICT ----

// Reads a version 2 or version 1 picture (with or without the 512-byte header): indexed,
// 16 and 32-bit pixel maps, bitmaps and JPEG-compressed QuickTime images composited on
// a white canvas of the picture frame's size. 0, -108, codecErr (also for an unknown
// opcode, a picture with no image in it, or data that ends before the end opcode).
OSErr ReadPICTImage(const std::uint8_t* data, std::size_t size, GWorldPtr* out);
// src as a version 2 picture with the 512-byte header and 32-bit direct pixel maps
// (vertical tiles for widths above 4095). 0, -50, -108.
OSErr WritePICTImage(GWorldPtr src, std::vector<std::uint8_t>* out);

// ---- Pictures ----

struct Picture;
using PicHandle = Picture*;

// Draws the whole picture scaled into dst on the current port, clipped to the port's
// clip rectangle and bounds: shrinking averages the covered area, enlarging interpolates
// linearly, the same size copies exactly. Does nothing when out of memory.
void DrawPicture(PicHandle pic, const Rect* dst);
void KillPicture(PicHandle pic);

// ---- Graphics importer ----

struct GraphicsImporter;
using GraphicsImportComponent = GraphicsImporter*;

// An importer for the file, chosen by the content of its start (the whole file is read
// only when decoded). 0, -43 when no regular file is there, the status of a failed read
// (FileErrorText words it), -108, or noCodecErr when the content is no image kind known here.
OSErr GetGraphicsImporterForFile(const FSSpec* spec, GraphicsImportComponent* out);
// The importer's MIME text (one of SniffImageMIMEType's answers); never null.
const char* GraphicsImportGetMIMEType(GraphicsImportComponent gi);
// The image's pixel size (a JPEG's from its header alone). 0, -108, codecErr, noCodecErr
// for TIFF, GIF, PNG and PDF, or the status of a read that fails now.
OSErr GraphicsImportGetImageSize(GraphicsImportComponent gi, std::int16_t* width,
                                 std::int16_t* height);
// The whole image as a new picture. 0, -108, codecErr, or noCodecErr as above.
OSErr GraphicsImportGetAsPicture(GraphicsImportComponent gi, PicHandle* out);
// The GWorld that GraphicsImportDraw draws into.
void GraphicsImportSetGWorld(GraphicsImportComponent gi, GWorldPtr dst);
// Draws the image at its own size from the GWorld's top-left corner; a JPEG is decoded
// straight into it. 0, -50 without a GWorld, or the errors of GraphicsImportGetAsPicture.
OSErr GraphicsImportDraw(GraphicsImportComponent gi);
void CloseGraphicsImporter(GraphicsImportComponent gi);

// ---- Graphics exporter ----

// Writes src to the file in the format of the type code: `JPEG`, `PICT`, `BMPf` or
// `BMP `. The file is replaced atomically, so a failure leaves any old file whole.
// 0, -50 for another type code or an empty source, -108, -1 when encoding fails, or the
// status of the failed write (FileErrorText words it).
OSErr GraphicsExportGWorldToFile(GWorldPtr src, OSType type, const FSSpec* spec);
