/* The reference for gifcodec encode as a whole process: a small program on giflib that reads an
 * uncompressed 8-bit bitmap file and writes it as a GIF with EGifPutLine, its palette as the
 * global colour table. Usage: giflib_encode IN.bmp OUT.gif */
#include <gif_lib.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint32_t le32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: giflib_encode IN.bmp OUT.gif\n");
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    if (in == NULL) {
        perror(argv[1]);
        return 1;
    }
    fseek(in, 0, SEEK_END);
    const long size = ftell(in);
    fseek(in, 0, SEEK_SET);
    unsigned char* file = (unsigned char*)malloc((size_t)size);
    if (file == NULL || fread(file, 1, (size_t)size, in) != (size_t)size || size < 54 + 1024 ||
        file[28] != 8) {
        fprintf(stderr, "giflib_encode: %s is no 8-bit bitmap file\n", argv[1]);
        return 1;
    }
    fclose(in);
    const uint32_t offset = le32(file + 10);
    const int width = (int)le32(file + 18);
    const int height = (int)le32(file + 22);
    const size_t stride = (size_t)(width + 3) / 4 * 4;
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) {
        colors[i].Blue = file[54 + 4 * i];
        colors[i].Green = file[54 + 4 * i + 1];
        colors[i].Red = file[54 + 4 * i + 2];
    }
    int error = 0;
    ColorMapObject* map = GifMakeMapObject(256, colors);
    GifFileType* gif = EGifOpenFileName(argv[2], false, &error);
    if (gif == NULL || EGifPutScreenDesc(gif, width, height, 8, 0, map) != GIF_OK ||
        EGifPutImageDesc(gif, 0, 0, width, height, false, NULL) != GIF_OK) {
        fprintf(stderr, "giflib_encode: cannot write %s\n", argv[2]);
        return 1;
    }
    for (int y = 0; y < height; ++y) {
        GifPixelType* row = file + offset + (size_t)(height - 1 - y) * stride;
        if (EGifPutLine(gif, row, width) != GIF_OK) {
            fprintf(stderr, "giflib_encode: cannot write %s\n", argv[2]);
            return 1;
        }
    }
    if (EGifCloseFile(gif, &error) != GIF_OK) {
        fprintf(stderr, "giflib_encode: cannot write %s\n", argv[2]);
        return 1;
    }
    GifFreeMapObject(map);
    free(file);
    return 0;
}
