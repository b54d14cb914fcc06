// Test-side decoders (see decode.h).
#include "decode.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>  // fmemopen
#include <fstream>
#include <iterator>
#include <stdexcept>

Bytes read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        throw std::runtime_error("cannot open " + path);
    }
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

namespace {
struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};
}  // namespace

DecodedJpeg decode_jpeg(const Bytes& file)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1);
    };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        throw std::runtime_error("libjpeg could not decode the picture");
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    DecodedJpeg out;
    out.progressive = cinfo.progressive_mode;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.rgb[static_cast<std::size_t>(cinfo.output_scanline) * out.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    // The memory source was handed the whole file: what it has not consumed lies after EOI.
    out.after_end.assign(cinfo.src->next_input_byte,
                         cinfo.src->next_input_byte + cinfo.src->bytes_in_buffer);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

Bytes decode_png(const Bytes& file)
{
    FILE* in = fmemopen(const_cast<std::uint8_t*>(file.data()), file.size(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(in);
        throw std::runtime_error("libpng could not decode the picture");
    }
    png_init_io(png, in);
    png_read_info(png, info);
    // Palettes and their tRNS alphas expanded by libpng itself: RGBA for every 8-bit colour
    // picture the show carries.
    png_set_expand(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    Bytes rgba(row_bytes * png_get_image_height(png, info));
    std::vector<png_bytep> rows;
    for (std::size_t at = 0; at < rgba.size(); at += row_bytes) {
        rows.push_back(&rgba[at]);
    }
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    return rgba;
}
