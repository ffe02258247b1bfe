/* The reference for gifcodec decode as a whole process: a small program on giflib that reads a
 * GIF with DGifSlurp and writes frame 0 as the same bitmap file (palette of 2, 16 or 256 entries,
 * bottom-up rows). Usage: giflib_decode IN.gif OUT.bmp */
#include <gif_lib.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void le16(unsigned char* p, unsigned v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

static void le32(unsigned char* p, uint32_t v) {
    le16(p, v & 0xFFFF);
    le16(p + 2, v >> 16);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: giflib_decode IN.gif OUT.bmp\n");
        return 2;
    }
    int error = 0;
    GifFileType* gif = DGifOpenFileName(argv[1], &error);
    if (gif == NULL || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
        fprintf(stderr, "giflib_decode: cannot read %s\n", argv[1]);
        return 1;
    }
    const SavedImage* image = &gif->SavedImages[0];
    const ColorMapObject* map = image->ImageDesc.ColorMap ? image->ImageDesc.ColorMap : gif->SColorMap;
    const int width = image->ImageDesc.Width;
    const int height = image->ImageDesc.Height;
    const int bits = map ? map->BitsPerPixel : 8;
    const int depth = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    const int entries = 1 << depth;
    const uint32_t stride = (uint32_t)((width * depth + 31) / 32 * 4);
    const uint32_t offset = 54 + 4 * (uint32_t)entries;
    const uint32_t imageSize = stride * (uint32_t)height;

    unsigned char header[54 + 4 * 256];
    memset(header, 0, sizeof header);
    header[0] = 'B';
    header[1] = 'M';
    le32(header + 2, offset + imageSize);
    le32(header + 10, offset);
    le32(header + 14, 40);
    le32(header + 18, (uint32_t)width);
    le32(header + 22, (uint32_t)height);
    le16(header + 26, 1);
    le16(header + 28, (unsigned)depth);
    le32(header + 34, imageSize);
    for (int i = 0; i < entries; ++i) {
        unsigned char* quad = header + 54 + 4 * i;
        if (map != NULL && i < map->ColorCount) {
            quad[0] = map->Colors[i].Blue;
            quad[1] = map->Colors[i].Green;
            quad[2] = map->Colors[i].Red;
        } else {
            quad[0] = quad[1] = quad[2] = quad[3] = 128;
        }
    }

    FILE* out = fopen(argv[2], "wb");
    if (out == NULL) {
        perror(argv[2]);
        return 1;
    }
    fwrite(header, 1, offset, out);
    /* Rows in file order, or de-interlaced: row y of the picture comes from row rowAt[y]. */
    int* rowAt = (int*)malloc(sizeof(int) * (size_t)(height > 0 ? height : 1));
    if (image->ImageDesc.Interlace) {
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        int n = 0;
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = start[pass]; y < height; y += step[pass]) {
                rowAt[y] = n++;
            }
        }
    } else {
        for (int y = 0; y < height; ++y) {
            rowAt[y] = y;
        }
    }
    unsigned char* row = (unsigned char*)calloc(stride + 1, 1);
    for (int y = height - 1; y >= 0; --y) {
        const unsigned char* in = image->RasterBits + (size_t)rowAt[y] * (size_t)width;
        if (depth == 8) {
            memcpy(row, in, (size_t)width);
        } else {
            memset(row, 0, stride);
            for (int x = 0; x < width; ++x) {
                if (depth == 4) {
                    row[x / 2] |= (unsigned char)((in[x] & 15) << (x % 2 == 0 ? 4 : 0));
                } else {
                    row[x / 8] |= (unsigned char)((in[x] & 1) << (7 - x % 8));
                }
            }
        }
        fwrite(row, 1, stride, out);
    }
    free(row);
    free(rowAt);
    if (fclose(out) != 0) {
        perror(argv[2]);
        return 1;
    }
    DGifCloseFile(gif, &error);
    return 0;
}
