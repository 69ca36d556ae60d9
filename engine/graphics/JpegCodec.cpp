// JPEG through libjpeg (6b interface). The library reports fatal errors by
// calling error_exit, which here longjmps back to the function driving it;
// those functions hold no C++ object with a destructor, and nothing throws
// through the library.
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/DecoderSupport.h"
#include "engine/graphics/ImageCodecs.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>
#include <windows.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;   // first: the library sees only this part
    jmp_buf jump;
    void (*showMessage)(j_common_ptr, int);   // the library's own emit_message
    // Decoding: whether the file holds several scans, and once its data ran
    // out, how many of the image's rows had data (-1 while it lasts).
    bool multipleScans;
    int64_t rowsWithData;
};

// Library messages go to the debugger output, never to the host's stderr.
void EmitMessage(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX + 2];
    (*info->err->format_message)(info, text);
    std::strcat(text, "\n");
    OutputDebugStringA(text);
}

// The rows that had data when it ran out. One scan decodes as the rows are
// read; a file of several scans is read whole before the first row, and then
// only a first scan cut short leaves rows without any data.
int64_t RowsWithData(const jpeg_decompress_struct& info, bool multipleScans) {
    if (!multipleScans) return info.output_scanline;
    if (info.input_scan_number > 1) return info.image_height;
    const int64_t reached = int64_t(info.input_iMCU_row) * info.max_v_samp_factor * DCTSIZE;
    return reached < info.image_height ? reached : info.image_height;
}

// The library's handling, after noting the first warning that says the data
// ran out (the end of the file, or a marker inside a scan's data).
void NoteMessage(j_common_ptr info, int level) {
    ErrorManager* errors = reinterpret_cast<ErrorManager*>(info->err);
    const int code = info->err->msg_code;
    if (level < 0 && info->is_decompressor && errors->rowsWithData < 0 &&
        (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
        errors->rowsWithData = RowsWithData(*reinterpret_cast<j_decompress_ptr>(info),
                                            errors->multipleScans);
    (*errors->showMessage)(info, level);
}

void ErrorExit(j_common_ptr info) {
    (*info->err->output_message)(info);
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

jpeg_error_mgr* InitErrors(ErrorManager* errors) {
    jpeg_error_mgr* base = jpeg_std_error(&errors->base);
    base->error_exit = ErrorExit;
    base->output_message = EmitMessage;
    errors->showMessage = base->emit_message;
    base->emit_message = NoteMessage;
    errors->multipleScans = false;
    errors->rowsWithData = -1;
    return base;
}

// The whole data handed over in one piece; after it, the source reports a
// premature end and supplies an end-of-image marker, so a truncated file
// still decodes (the library makes the missing rows up).
struct MemorySource {
    jpeg_source_mgr base;   // first: the library sees only this part
    const JOCTET* data;
    size_t size;
    bool startOfFile;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr info) {
    reinterpret_cast<MemorySource*>(info->src)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr info) {
    MemorySource* source = reinterpret_cast<MemorySource*>(info->src);
    if (source->startOfFile && source->size > 0) {
        source->base.next_input_byte = source->data;
        source->base.bytes_in_buffer = source->size;
    } else {
        if (source->startOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
        WARNMS(info, JWRN_JPEG_EOF);
        source->base.next_input_byte = kEndOfImage;
        source->base.bytes_in_buffer = sizeof kEndOfImage;
    }
    source->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = info->src;
    while (count > long(source->bytes_in_buffer)) {
        count -= long(source->bytes_in_buffer);
        (*source->fill_input_buffer)(info);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

void UseMemorySource(j_decompress_ptr info, const uint8_t* data, uint32_t size) {
    MemorySource* source = static_cast<MemorySource*>((*info->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(MemorySource)));
    source->base.init_source = InitSource;
    source->base.fill_input_buffer = FillInputBuffer;
    source->base.skip_input_data = SkipInputData;
    source->base.resync_to_restart = jpeg_resync_to_restart;
    source->base.term_source = TermSource;
    source->base.next_input_byte = nullptr;
    source->base.bytes_in_buffer = 0;
    source->data = data;
    source->size = size;
    source->startOfFile = true;
    info->src = &source->base;
}

void ConvertRow(const JSAMPLE* in, int components, JDIMENSION width, uint32_t* out) {
    if (components == 1) {
        for (JDIMENSION x = 0; x < width; ++x) out[x] = 0xFF000000u | uint32_t(in[x]) * 0x010101u;
    } else {
        for (JDIMENSION x = 0; x < width; ++x, in += 3)
            out[x] = 0xFF000000u | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
    }
}

constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kEndOfImageMarker = 0xD9;
constexpr uint8_t kTemporary = 0x01;
// Far more scans than any encoder writes (a progressive colour image from
// the library's own script has ten). Each scan walks the whole image, so
// thousands of scans of a few bytes each would cost time without bound.
constexpr uint32_t kMostScans = 64;
// Each block costs its DC scan one bit at the least: the code of its DC
// difference.
constexpr uint64_t kMostBlocksPerByte = 8;

bool IsRestart(uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; }

// What a file gives its scans: the bytes of entropy-coded data (a stuffed
// zero and a restart marker give none) and the number of scans, up to its
// end of image.
struct ScanData {
    uint64_t bytes = 0;
    uint32_t scans = 0;
};

// From the first byte after a scan's header to the marker that ends it.
uint64_t SkipScan(const uint8_t* data, uint64_t size, uint64_t at, ScanData* found) {
    while (at < size) {
        if (data[at] != 0xFF) {
            ++found->bytes, ++at;
        } else if (at + 1 == size) {
            return size;
        } else if (data[at + 1] == 0x00) {
            ++found->bytes, at += 2;
        } else if (data[at + 1] == 0xFF) {
            ++at;   // a fill byte before a marker
        } else if (IsRestart(data[at + 1])) {
            at += 2;
        } else {
            return at;
        }
    }
    return at;
}

ScanData MeasureScans(const uint8_t* data, uint64_t size) {
    ScanData found;
    uint64_t at = 2;   // past the start of image
    while (at + 1 < size) {
        // Stray bytes between segments and fill bytes before a marker.
        if (data[at] != 0xFF || data[at + 1] == 0xFF || data[at + 1] == 0x00) {
            ++at;
            continue;
        }
        const uint8_t marker = data[at + 1];
        at += 2;
        if (marker == kEndOfImageMarker) break;
        if (marker == kTemporary || IsRestart(marker)) continue;   // no length
        if (at + 2 > size) break;
        at += uint64_t(data[at]) << 8 | data[at + 1];   // the length counts itself
        if (marker == kStartOfScan) {
            ++found.scans;
            at = SkipScan(data, size, at, &found);
        }
    }
    return found;
}

// Whether the file's scans can fill the frame its header claims: weighed
// after the header, before the library commits anything for the image.
// Arithmetic coding, which can code a block in far less than a bit, is
// refused outright, as a baseline or progressive reader would.
bool ScansCanFill(const jpeg_decompress_struct& info, const uint8_t* data, uint32_t size) {
    if (info.arith_code) return false;
    uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks += uint64_t(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
    const ScanData scans = MeasureScans(data, size);
    return scans.scans <= kMostScans &&
           DecoderSupport::DataCanFill(info.image_width, info.image_height, blocks, scans.bytes,
                                       kMostBlocksPerByte);
}

// Once the data has run out the library makes the remaining rows up (grey):
// no more of them are let through than rows came from the data, or a small
// image's worth, so that a file cut short can't fill a large image.
bool MadeUpRowsFit(const jpeg_decompress_struct& info, const ErrorManager& errors) {
    if (errors.rowsWithData < 0) return true;
    const uint64_t rowBytes = uint64_t(info.output_width) * 4;
    const uint64_t madeUp = (info.output_height - uint64_t(errors.rowsWithData)) * rowBytes;
    return madeUp <= DecoderSupport::kSmallImageBytes ||
           madeUp <= uint64_t(errors.rowsWithData) * rowBytes;
}

// Decodes into the shared scratch area as 0xAARRGGBB pixels, the area
// growing row by row as the rows decode.
uint8_t* DecodeRows(const uint8_t* data, uint32_t size, JDIMENSION* outWidth,
                    JDIMENSION* outHeight) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    // Zeroed first: an error inside jpeg_create_* must find no stale pool.
    std::memset(&info, 0, sizeof info);
    info.err = InitErrors(&errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    UseMemorySource(&info, data, size);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || !ScansCanFill(info, data, size)) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    errors.multipleScans = jpeg_has_multiple_scans(&info);
    jpeg_start_decompress(&info);
    // Grey or colour only: four-component (CMYK) images are refused rather
    // than shown as garbage.
    const int components = info.output_components;
    if ((components != 1 && components != 3) || !MadeUpRowsFit(info, errors)) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    JSAMPARRAY sample = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                  JPOOL_IMAGE,
                                                  info.output_width * JDIMENSION(components), 1);
    uint8_t* rows = nullptr;
    while (info.output_scanline < info.output_height) {
        const JDIMENSION y = info.output_scanline;
        rows = DecoderSupport::ReservePixelRows(info.output_width, info.output_height,
                                                int64_t(y) + 1);
        if (!rows || jpeg_read_scanlines(&info, sample, 1) != 1 || !MadeUpRowsFit(info, errors)) {
            jpeg_destroy_decompress(&info);
            return nullptr;
        }
        ConvertRow(sample[0], components, info.output_width,
                   reinterpret_cast<uint32_t*>(rows) + size_t(y) * info.output_width);
    }
    jpeg_finish_decompress(&info);
    *outWidth = info.output_width;
    *outHeight = info.output_height;
    jpeg_destroy_decompress(&info);
    return rows;
}

bool EncodeRows(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height) {
    jpeg_compress_struct info;
    ErrorManager errors;
    std::memset(&info, 0, sizeof info);
    info.err = InitErrors(&errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_stdio_dest(&info, file);
    jpeg_start_compress(&info, TRUE);
    // The row buffer lives in the library's image pool, so an error exit
    // releases it with the compressor.
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               JDIMENSION(width) * 3, 1);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* in = pixels + int64_t(y) * pitch;
        JSAMPLE* out = row[0];
        for (int32_t x = 0; x < width; ++x, out += 3) {
            out[0] = JSAMPLE(in[x] >> 16);
            out[1] = JSAMPLE(in[x] >> 8);
            out[2] = JSAMPLE(in[x]);
        }
        jpeg_write_scanlines(&info, row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}   // namespace

namespace Nuvex {

Bitmap* LoadJpeg(const void* data, uint32_t size) {
    if (!data || size == 0) return nullptr;
    JDIMENSION width = 0, height = 0;
    const uint8_t* rows = DecodeRows(static_cast<const uint8_t*>(data), size, &width, &height);
    return DecoderSupport::FinishDecode(rows, width, height);
}

bool WriteJpeg(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height) {
    if (!file || !pixels || width <= 0 || height <= 0 || pitch < width) return false;
    return EncodeRows(file, pixels, pitch, width, height);
}

}   // namespace Nuvex
