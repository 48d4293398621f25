/*
 * jpeg_floor: the least work any "photo sheet" tool can get away with.
 *
 * It decodes the whole input JPEG at full scale (no DCT scaling) into memory,
 * then encodes a plain white page of W x H as a baseline JPEG (quality 90,
 * libjpeg's default 4:2:0), feeding the same white row for every scanline.
 * Nothing is resized and nothing is composited, so its time is a lower bound
 * for "decode the photo + encode the page" with libjpeg-turbo on this machine.
 *
 * Usage:  jpeg_floor IN.jpg W H OUT.jpg
 * Build:  cc -O2 jpeg_floor.c -ljpeg -o jpeg_floor
 */
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

struct floor_error {
    struct jpeg_error_mgr mgr;
    jmp_buf jump;
};

static void on_error(j_common_ptr cinfo)
{
    struct floor_error *err = (struct floor_error *)cinfo->err;
    (*cinfo->err->output_message)(cinfo);
    longjmp(err->jump, 1);
}

static long parse_dim(const char *text, const char *what)
{
    char *end = NULL;
    long v = strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 1 || v > 65500) {
        fprintf(stderr, "jpeg_floor: bad %s '%s' (1..65500)\n", what, text);
        exit(2);
    }
    return v;
}

/* Decode the whole picture, at full size, into one RGB buffer. */
static void decode_all(const char *path)
{
    FILE *in = fopen(path, "rb");
    if (!in) {
        perror(path);
        exit(1);
    }

    struct jpeg_decompress_struct cinfo;
    struct floor_error err;
    unsigned char *pixels = NULL;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = on_error;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        fclose(in);
        free(pixels);
        exit(1);
    }

    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    jpeg_start_decompress(&cinfo);

    const size_t stride = (size_t)cinfo.output_width * cinfo.output_components;
    pixels = malloc(stride * cinfo.output_height);
    if (!pixels) {
        fprintf(stderr, "jpeg_floor: out of memory for %ux%u\n",
                cinfo.output_width, cinfo.output_height);
        exit(1);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        JDIMENSION n = cinfo.output_height - cinfo.output_scanline;
        if (n > 16)
            n = 16;
        for (JDIMENSION i = 0; i < n; i++)
            rows[i] = pixels + stride * (cinfo.output_scanline + i);
        jpeg_read_scanlines(&cinfo, rows, n);
    }

    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    fclose(in);
    free(pixels);
}

static void encode_white(const char *path, JDIMENSION w, JDIMENSION h)
{
    FILE *out = fopen(path, "wb");
    if (!out) {
        perror(path);
        exit(1);
    }

    unsigned char *row = malloc((size_t)w * 3);
    if (!row) {
        fprintf(stderr, "jpeg_floor: out of memory\n");
        exit(1);
    }
    memset(row, 0xff, (size_t)w * 3);

    struct jpeg_compress_struct cinfo;
    struct floor_error err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = on_error;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        fclose(out);
        free(row);
        exit(1);
    }

    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);      /* baseline, 4:2:0, no Huffman optimisation */
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    JSAMPROW rows[1] = { row };
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows, 1);

    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (fclose(out) != 0) {
        perror(path);
        exit(1);
    }
    free(row);
}

int main(int argc, char **argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: jpeg_floor IN.jpg W H OUT.jpg\n");
        return 2;
    }
    const long w = parse_dim(argv[2], "width");
    const long h = parse_dim(argv[3], "height");

    decode_all(argv[1]);
    encode_white(argv[4], (JDIMENSION)w, (JDIMENSION)h);
    return 0;
}
