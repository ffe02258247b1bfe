#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CodecFiles.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gifcodec {

namespace {

using Json = nlohmann::ordered_json;

std::string ColorText(gif::TColor color) {
    if (color == gif::clNone) {
        return "none";
    }
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF,
                  (color >> 16) & 0xFF);
    return text;
}

Json ColorJson(gif::TColor color) {
    return color == gif::clNone ? Json() : Json(ColorText(color));
}

// Comment bytes are 8-bit text; shown as Latin-1 so any byte survives in UTF-8 output.
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Json CommentJson(const gif::TBlockLines* lines) {
    Json comment = Json::array();
    if (lines != nullptr) {
        for (const std::string& line : *lines) {
            comment.push_back(Latin1ToUtf8(line));
        }
    }
    return comment;
}

Json Describe(gif::TGIFImage& image) {
    const gif::TGIFData& data = *image.FShared;
    Json json;
    json["version"] = std::string("GIF") + gif::GifVersionName(image.FGifVersion);
    json["logicalWidth"] = image.FLogicalWidth;
    json["logicalHeight"] = image.FLogicalHeight;
    json["globalColorTable"] = data.FGlobalTable.Count;
    json["colorResolution"] = data.FColorBits;
    json["aspect"] = data.FAspect;
    json["backgroundColor"] = ColorJson(image.FBackColor);
    json["loopBlock"] = image.FHasLoopBlock;
    json["loopCount"] = image.FLoopCount;
    json["comment"] = CommentJson(&data.FCommentLines);
    Json frames = Json::array();
    for (int i = 0; i < image.FrameCount(); ++i) {
        gif::TGIFFrame& frame = image.Frame(i);
        Json f;
        f["left"] = frame.FOriginX;
        f["top"] = frame.FOriginY;
        f["width"] = frame.FItem->FPixelWidth;
        f["height"] = frame.FItem->FPixelHeight;
        f["interlaced"] = frame.FIsInterlaced;
        f["localColorTable"] = frame.FOwnTable ? frame.FItem->FItemTable.Count : 0;
        f["transparentColor"] = ColorJson(frame.FTransColor);
        f["delayMs"] = frame.FDelayMs;
        f["disposal"] = frame.FDisposalCode;
        f["corrupt"] = frame.FIsCorrupt;
        f["comment"] = CommentJson(frame.FrameComment(false));
        frames.push_back(f);
    }
    json["frames"] = frames;
    return json;
}

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

void PrintText(const Json& json) {
    std::cout << "version: " << json["version"].get<std::string>() << "\n"
              << "logical screen: " << json["logicalWidth"] << " x " << json["logicalHeight"]
              << "\n"
              << "global colour table: " << json["globalColorTable"] << " entries\n"
              << "colour resolution: " << json["colorResolution"] << " bits\n"
              << "aspect: " << json["aspect"] << "\n"
              << "background colour: "
              << (json["backgroundColor"].is_null() ? "none"
                                                    : json["backgroundColor"].get<std::string>())
              << "\n"
              << "loop block: " << YesNo(json["loopBlock"].get<bool>()) << ", count "
              << json["loopCount"] << "\n"
              << "comment: " << json["comment"].size() << " lines\n";
    for (const auto& line : json["comment"]) {
        std::cout << "  " << line.get<std::string>() << "\n";
    }
    std::cout << "frames: " << json["frames"].size() << "\n";
    int index = 0;
    for (const auto& f : json["frames"]) {
        const int local = f["localColorTable"].get<int>();
        std::cout << "frame " << index++ << ": origin " << f["left"] << "," << f["top"] << "; size "
                  << f["width"] << " x " << f["height"] << "; interlaced "
                  << YesNo(f["interlaced"].get<bool>()) << "; colour table "
                  << (local > 0 ? "local, " + std::to_string(local) + " entries" : "global")
                  << "; transparent colour "
                  << (f["transparentColor"].is_null() ? "none"
                                                      : f["transparentColor"].get<std::string>())
                  << "; delay " << f["delayMs"] << " ms; disposal " << f["disposal"] << "; corrupt "
                  << YesNo(f["corrupt"].get<bool>()) << "\n";
        for (const auto& line : f["comment"]) {
            std::cout << "  comment: " << line.get<std::string>() << "\n";
        }
    }
}

}  // namespace

int RunInfo(std::span<const std::string> args) {
    std::vector<std::string> operands;
    bool json = false;
    TLoadOptions load;
    TArgumentReader(args)
        .Flag("--json", json)
        .Number(kMaxPixelsOption, load.MaxPixels, 1, kMostPixels)
        .Read(operands);
    RequireOperands(operands, 1, "FILE");
    const std::string& file = operands[0];

    gif::TGIFImage image;
    TProgressBar progress;
    image.SetNotify(&progress);
    LoadGifFile(file, image, load);
    // Decoding every frame completes the corrupt flags with what only the decoder sees.
    for (int i = 0; i < image.FrameCount(); ++i) {
        progress.SetLabel("decoding frame " + std::to_string(i));
        OnFile(file, [&] { image.Frame(i).FrameBitmap(); });
    }
    const Json description = Describe(image);
    if (json) {
        std::cout << description.dump(2) << "\n";
    } else {
        PrintText(description);
    }
    return 0;
}

}  // namespace gifcodec
