// Test-side decoders (see decode.h).
#include "decode.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>  // std::copy_n
#include <csetjmp>
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

struct PngSource {
    const Bytes& bytes;
    std::size_t offset;
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

DecodedPng decode_png(const Bytes& file)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("libpng could not decode the picture");
    }
    PngSource src{file, 0};
    png_set_read_fn(png, &src, [](png_structp p, png_bytep out, png_size_t length) {
        auto* s = static_cast<PngSource*>(png_get_io_ptr(p));
        if (s->offset + length > s->bytes.size()) {
            png_error(p, "truncated");
        }
        std::copy_n(s->bytes.data() + s->offset, length, out);
        s->offset += length;
    });
    png_read_info(png, info);
    DecodedPng out;
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    out.colour_type = png_get_color_type(png, info);
    out.bit_depth = png_get_bit_depth(png, info);
    png_colorp colours = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colours, &count) != 0) {
        for (int i = 0; i < count; ++i) {
            out.palette.push_back({colours[i].red, colours[i].green, colours[i].blue});
        }
    }
    png_bytep alphas = nullptr;
    if (png_get_tRNS(png, info, &alphas, &count, nullptr) != 0 && alphas != nullptr) {
        out.transparency.assign(alphas, alphas + count);
    }
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    Bytes raw(row_bytes * out.height);
    std::vector<png_bytep> rows(out.height);
    for (int y = 0; y < out.height; ++y) {
        rows[y] = &raw[row_bytes * y];
    }
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    if (out.bit_depth != 8) {
        return out;  // the show carries no other depths; the tests reject them
    }
    if (out.colour_type == PNG_COLOR_TYPE_RGB_ALPHA) {
        out.rgba = raw;
    } else if (out.colour_type == PNG_COLOR_TYPE_PALETTE) {
        for (std::uint8_t k : raw) {
            const auto& c = out.palette.at(k);
            out.rgba.insert(out.rgba.end(), {c[0], c[1], c[2]});
            out.rgba.push_back(k < out.transparency.size() ? out.transparency[k] : 255);
        }
    }
    return out;
}
