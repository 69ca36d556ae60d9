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
};

// Library messages go to the debugger output, never to the host's stderr.
void EmitMessage(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX + 2];
    (*info->err->format_message)(info, text);
    std::strcat(text, "\n");
    OutputDebugStringA(text);
}

void ErrorExit(j_common_ptr info) {
    (*info->err->output_message)(info);
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

jpeg_error_mgr* InitErrors(ErrorManager* errors) {
    jpeg_error_mgr* base = jpeg_std_error(&errors->base);
    base->error_exit = ErrorExit;
    base->output_message = EmitMessage;
    return base;
}

// The whole data handed over in one piece; after it, the source reports a
// premature end and supplies an end-of-image marker, so a truncated file
// still decodes (the library fills the missing rows).
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

// Decodes into the shared scratch area as 0xAARRGGBB pixels.
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
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    jpeg_start_decompress(&info);
    // Grey or colour only: four-component (CMYK) images are refused rather
    // than shown as garbage.
    const int components = info.output_components;
    uint8_t* rows = nullptr;
    if (components == 1 || components == 3)
        rows = DecoderSupport::ReservePixelRows(info.output_width, info.output_height);
    if (!rows) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    JSAMPARRAY sample = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                  JPOOL_IMAGE,
                                                  info.output_width * JDIMENSION(components), 1);
    while (info.output_scanline < info.output_height) {
        const JDIMENSION y = info.output_scanline;
        if (jpeg_read_scanlines(&info, sample, 1) != 1) break;
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
    if (!rows) return nullptr;
    return DecoderSupport::BitmapFromRows(width, height, 32, rows, int64_t(width) * 4, false);
}

bool WriteJpeg(FILE* file, const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height) {
    if (!file || !pixels || width <= 0 || height <= 0 || pitch < width) return false;
    return EncodeRows(file, pixels, pitch, width, height);
}

}   // namespace Nuvex
