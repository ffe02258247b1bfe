// Small GIF files for the picture tests: a 4-colour palette (black, red, green, blue), frames
// of one colour each, coded with a clear code before every pixel so the code width stays 3.
#pragma once

#include <QByteArray>
#include <vector>

namespace vx::test {

struct TGifFrame {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Delay = 10;
    int Disposal = 0;
    bool Transparent = false;
    int Colour = 1;
};

inline void PutWord(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

inline QByteArray MakeGif(int screenWidth, int screenHeight, const std::vector<TGifFrame>& frames) {
    QByteArray gif("GIF89a");
    PutWord(gif, screenWidth);
    PutWord(gif, screenHeight);
    gif.append(static_cast<char>(0x81));  // global table of 4 colours
    gif.append('\0');
    gif.append('\0');
    gif.append(QByteArray::fromHex("000000ff000000ff000000ff"));
    constexpr int kClear = 4;
    constexpr int kEnd = 5;
    for (const TGifFrame& frame : frames) {
        gif.append(QByteArray::fromHex("21f904"));
        gif.append(static_cast<char>((frame.Disposal << 2) | (frame.Transparent ? 1 : 0)));
        PutWord(gif, frame.Delay);
        gif.append('\0');
        gif.append('\0');
        gif.append(',');
        PutWord(gif, frame.Left);
        PutWord(gif, frame.Top);
        PutWord(gif, frame.Width);
        PutWord(gif, frame.Height);
        gif.append('\0');
        gif.append('\x02');
        QByteArray data;
        unsigned bits = 0;
        int count = 0;
        const auto putCode = [&](int code) {
            bits |= static_cast<unsigned>(code) << count;
            count += 3;
            while (count >= 8) {
                data.append(static_cast<char>(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        };
        for (int i = 0; i < frame.Width * frame.Height; ++i) {
            putCode(kClear);
            putCode(frame.Colour);
        }
        putCode(kEnd);
        if (count > 0) {
            data.append(static_cast<char>(bits & 0xFF));
        }
        for (qsizetype start = 0; start < data.size(); start += 255) {
            const QByteArray chunk = data.mid(start, 255);
            gif.append(static_cast<char>(chunk.size()));
            gif.append(chunk);
        }
        gif.append('\0');
    }
    gif.append(';');
    return gif;
}

}  // namespace vx::test
