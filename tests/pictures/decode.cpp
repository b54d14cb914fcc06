// Test-side decoders (see decode.h).
#include "decode.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <stdexcept>

Bytes read_file(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw std::runtime_error("cannot open " + path);
    Bytes bytes;
    std::uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

namespace {

struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jpeg_fail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

}  // namespace

DecodedJpeg decode_jpeg(const Bytes& file)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = jpeg_fail;
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
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    out.rgb.resize(size_t(out.width) * out.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.rgb[size_t(cinfo.output_scanline) * out.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    // The memory source was handed the whole file: what it has not consumed lies after EOI.
    const std::uint8_t* rest = cinfo.src->next_input_byte;
    out.after_end.assign(rest, rest + cinfo.src->bytes_in_buffer);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

namespace {

struct PngSource {
    const Bytes* bytes;
    size_t offset;
};

void read_from_bytes(png_structp png, png_bytep out, png_size_t length)
{
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (src->offset + length > src->bytes->size())
        png_error(png, "truncated");
    std::copy_n(src->bytes->data() + src->offset, length, out);
    src->offset += length;
}

}  // namespace

DecodedPng decode_png(const Bytes& file)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("libpng could not decode the picture");
    }
    PngSource src{&file, 0};
    png_set_read_fn(png, &src, read_from_bytes);
    png_read_info(png, info);
    DecodedPng out;
    out.width = int(png_get_image_width(png, info));
    out.height = int(png_get_image_height(png, info));
    out.colour_type = png_get_color_type(png, info);
    out.bit_depth = png_get_bit_depth(png, info);
    if (out.colour_type == PNG_COLOR_TYPE_PALETTE) {
        png_colorp colours;
        int count = 0;
        png_get_PLTE(png, info, &colours, &count);
        for (int i = 0; i < count; ++i)
            out.palette.push_back({colours[i].red, colours[i].green, colours[i].blue});
        if (png_get_valid(png, info, PNG_INFO_tRNS)) {
            png_bytep alphas;
            int n = 0;
            png_get_tRNS(png, info, &alphas, &n, nullptr);
            out.transparency.assign(alphas, alphas + n);
        }
    }
    size_t rowbytes = png_get_rowbytes(png, info);
    std::vector<std::uint8_t> raw(rowbytes * out.height);
    std::vector<png_bytep> rows(out.height);
    for (int y = 0; y < out.height; ++y)
        rows[y] = &raw[rowbytes * y];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    size_t count = size_t(out.width) * out.height;
    out.rgba.resize(count * 4);
    if (out.colour_type == PNG_COLOR_TYPE_PALETTE && out.bit_depth == 8) {
        out.indices = raw;
        for (size_t i = 0; i < count; ++i) {
            std::uint8_t k = raw[i];
            if (k >= out.palette.size())
                throw std::runtime_error("index outside the palette");
            for (int c = 0; c < 3; ++c)
                out.rgba[i * 4 + c] = out.palette[k][c];
            out.rgba[i * 4 + 3] = k < out.transparency.size() ? out.transparency[k] : 255;
        }
    } else if (out.colour_type == PNG_COLOR_TYPE_RGB_ALPHA && out.bit_depth == 8) {
        out.rgba = raw;
    } else {
        out.rgba.clear();  // the show carries no other kinds; the tests reject them
    }
    return out;
}
