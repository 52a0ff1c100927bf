// The graphics importer (files read by content) and exporter (GWorlds written as JPEG,
// PICT or BMP files).
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/codec_support.h"
#include "platform/codecs.h"

struct GraphicsImporter {
    FSSpec spec;                     // the file
    const char* mime;                // its sniffed MIME text
    std::vector<std::uint8_t> data;  // the whole file, read on first need
    bool read;                       // reading was tried; read_status holds its result
    OSErr read_status;
    GWorldPtr image;  // a BMP or PICT decoded on first need, until handed out as a picture
    bool decoded;     // decoding was tried; status holds its result
    OSErr status;
    std::int16_t width, height;  // the decoded image's size
    GWorldPtr dst;               // where GraphicsImportDraw draws
};

namespace {

// Files larger than this are refused rather than read into memory.
constexpr std::size_t kMaxFileSize = std::size_t(1) << 30;
// Enough of a file's start to sniff its kind (a PICT's signature lies at 522).
constexpr std::size_t kSniffSize = 1024;

OSErr __load(GraphicsImportComponent gi) {
    if (!gi->read) {
        gi->read = true;
        gi->read_status = FSpReadFile(&gi->spec, SIZE_MAX, kMaxFileSize, &gi->data);
    }
    return gi->read_status;
}

bool __is_jpeg(GraphicsImportComponent gi) {
    return std::strcmp(gi->mime, "image/jpeg") == 0;
}

OSErr __decode(GraphicsImportComponent gi) {
    if (gi->decoded) return gi->status;
    gi->decoded = true;
    const std::string mime = gi->mime;
    gi->status = __load(gi);
    if (gi->status != noErr) return gi->status;
    const std::uint8_t* d = gi->data.data();
    const std::size_t n = gi->data.size();
    GWorldPtr image = nullptr;
    if (mime == "image/jpeg")
        gi->status = ReadJPEGImage(d, n, 1, &image);
    else if (mime == "image/x-bmp")
        gi->status = ReadBMPImage(d, n, &image);
    else if (mime == "image/pict")
        gi->status = ReadPICTImage(d, n, &image);
    else
        gi->status = noCodecErr;
    if (gi->status == noErr) {
        gi->image = image;
        gi->width = image->width;
        gi->height = image->height;
    }
    return gi->status;
}

}  // namespace

OSErr GetGraphicsImporterForFile(const FSSpec* spec, GraphicsImportComponent* out) {
    *out = nullptr;
    auto* gi = new (std::nothrow)
        GraphicsImporter{*spec, nullptr, {}, false, noErr, nullptr, false, noErr, 0, 0, nullptr};
    if (!gi) return memFullErr;
    std::vector<std::uint8_t> start;
    OSErr err = FSpReadFile(spec, kSniffSize, kMaxFileSize, &start);
    if (err == noErr) {
        gi->mime = SniffImageMIMEType(start.data(), start.size());
        if (!gi->mime) err = noCodecErr;
    }
    if (err != noErr) {
        delete gi;
        return err;
    }
    *out = gi;
    return noErr;
}

const char* GraphicsImportGetMIMEType(GraphicsImportComponent gi) {
    return gi->mime;
}

OSErr GraphicsImportGetImageSize(GraphicsImportComponent gi, std::int16_t* width,
                                 std::int16_t* height) {
    // A JPEG's size is in its header; it is decoded only when drawn.
    if (__is_jpeg(gi) && !gi->decoded) {
        const OSErr err = __load(gi);
        return err != noErr ? err
                            : GetJPEGImageSize(gi->data.data(), gi->data.size(), 1, width, height);
    }
    const OSErr err = __decode(gi);
    if (err != noErr) return err;
    *width = gi->width;
    *height = gi->height;
    return noErr;
}

OSErr GraphicsImportGetAsPicture(GraphicsImportComponent gi, PicHandle* out) {
    *out = nullptr;
    OSErr err = __decode(gi);
    if (err != noErr) return err;
    if (!gi->image) {  // handed out before: decode again
        gi->decoded = false;
        err = __decode(gi);
        if (err != noErr) return err;
    }
    *out = NewPictureAdopting(gi->image);
    gi->image = nullptr;
    return *out ? noErr : memFullErr;
}

void GraphicsImportSetGWorld(GraphicsImportComponent gi, GWorldPtr dst) {
    gi->dst = dst;
}

OSErr GraphicsImportDraw(GraphicsImportComponent gi) {
    if (!gi->dst) return paramErr;
    if (__is_jpeg(gi)) {
        const OSErr err = __load(gi);
        return err != noErr ? err
                            : DecompressJPEGImage(gi->data.data(), gi->data.size(), 1, gi->dst);
    }
    OSErr err = __decode(gi);
    if (err == noErr && !gi->image) {  // handed out as a picture before: decode again
        gi->decoded = false;
        err = __decode(gi);
    }
    if (err != noErr) return err;
    Rect r;
    SetRect(&r, 0, 0, gi->width, gi->height);
    CopyBits(gi->image, gi->dst, &r, &r, srcCopy, nullptr);
    return noErr;
}

void CloseGraphicsImporter(GraphicsImportComponent gi) {
    if (!gi) return;
    if (gi->image) DisposeGWorld(gi->image);
    delete gi;
}

OSErr GraphicsExportGWorldToFile(GWorldPtr src, OSType type, const FSSpec* spec) {
    if (!src || src->width <= 0 || src->height <= 0) return paramErr;
    std::vector<std::uint8_t> bytes;
    OSErr err;
    if (type == FOUR_CC("JPEG")) {
        constexpr JPEGEncodeOptions options = {90, false, 1, 72, 72};
        err = CompressJPEGImage(src, &options, &bytes);
    } else if (type == FOUR_CC("PICT")) {
        err = WritePICTImage(src, &bytes);
    } else if (type == FOUR_CC("BMPf") || type == FOUR_CC("BMP ")) {
        err = WriteBMPImage(src, &bytes);
    } else {
        return paramErr;
    }
    if (err != noErr) return err == memFullErr ? memFullErr : -1;
    return WriteFileAtomically(spec, bytes.data(), bytes.size());
}
