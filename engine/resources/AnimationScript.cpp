// Animation scripts: an "animation" element whose "aniframe" children are
// the frames, read with the resource manager's own XML document object. The
// packed form (starting with the header magic) is recognised and refused.
#include "engine/resources/ResourceManager.h"

#include "engine/core/Log.h"
#include "engine/resources/Animation.h"
#include "engine/resources/XmlParser.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

const size_t kPartChars = 31;   // longest number text a pair or quadruple part keeps

bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Decimal with optional leading white space and sign, stopping at the first
// other character; 0 for no digits or no text.
int ParseInt(const char* text) {
    if (!text) return 0;
    long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

// Splits "a, b" or "l, t, w, h" the way the scan format "%[^,], %[^,], ...,
// %[rest]" does: each part but the last runs to the next comma, a comma and
// any white space follow, the last part takes the rest. An empty part ends
// the scan; every part not read is 0. Parts keep at most 31 characters.
void ReadParts(const char* text, int* values, int count) {
    for (int i = 0; i < count; ++i) values[i] = 0;
    if (!text) return;
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        const bool last = i == count - 1;
        const char* end = last ? nullptr : std::strchr(p, ',');
        if (!end) end = p + std::strlen(p);
        if (end == p) return;
        char part[kPartChars + 1];
        size_t n = size_t(end - p) < kPartChars ? size_t(end - p) : kPartChars;
        std::memcpy(part, p, n);
        part[n] = '\0';
        values[i] = ParseInt(part);
        if (last || *end != ',') return;
        p = end + 1;
        while (IsScanSpace(*p)) ++p;
    }
}

// Fills one frame from its "aniframe" element.
void ReadFrame(IXmlParser* doc, XmlNode node, IAnimationFrame* frame) {
    const char* keyword = doc->Attribute(node, "keyword", nullptr, 1);
    if (Nuvex::IsValidResourceName(keyword)) frame->SetKeyword(keyword);

    const char* delay = doc->Attribute(node, "delaytime", nullptr, 1);
    if (!delay) delay = doc->Attribute(node, "waittime", nullptr, 1);
    frame->SetDelay(ParseInt(delay));
    frame->SetMethod(ParseInt(doc->Attribute(node, "method", nullptr, 1)));

    int offset[2];
    ReadParts(doc->Attribute(node, "offset", nullptr, 1), offset, 2);
    frame->SetOffsetX(offset[0]);
    frame->SetOffsetY(offset[1]);

    char qualified[Nuvex::kResourceNameSize];
    const char* texture = doc->Attribute(node, "texture", nullptr, 1);
    if (!texture || !*texture) texture = doc->Attribute(node, "texresname", nullptr, 1);
    if (Nuvex::QualifyResourceName(qualified, texture)) frame->SetTexture(qualified);

    int alpha = ParseInt(doc->Attribute(node, "alpha", nullptr, 1));
    frame->SetAlpha(uint8_t(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha));

    const char* rectangle = doc->Attribute(node, "rectangle", nullptr, 1);
    if (!rectangle || !*rectangle) rectangle = doc->Attribute(node, "texrange", nullptr, 1);
    int region[4];
    ReadParts(rectangle, region, 4);
    frame->SetLeft(region[0]);
    frame->SetTop(region[1]);
    frame->SetWidth(region[2]);
    frame->SetHeight(region[3]);

    const char* effect = doc->Attribute(node, "effect", nullptr, 1);
    if (Nuvex::QualifyResourceName(qualified, effect)) frame->SetEffect(qualified);
}

}   // namespace

IAnimation* ResourceManager::LoadAnimationScript(const char* resname, const void* data,
                                                 uint32_t size) {
    if (!resname) resname = "";
    if (!parser_) {
        WriteLog(0, "创建动画解析器失败! %s", resname);
        return nullptr;
    }
    if (!data) {
        WriteLog(0, "加载动画脚本 %s 时出现异常!", resname);
        return nullptr;
    }
    const char* text = static_cast<const char*>(data);
    int loaded = size > 0 ? (size <= 0x7FFFFFFFu && parser_->LoadFromMemory(text, int(size), 0))
                          : parser_->LoadFromFile(text, 0);
    if (!loaded) {
        WriteLog(0, "Can't load animate script! #%s.", parser_->LastError());
        if (size > 0)
            WriteLog(0, "RESNAME: %s FILENAME: MEMORY", resname);
        else
            WriteLog(0, "RESNAME: %s FILENAME: %s", resname, text);
        return nullptr;
    }

    XmlNode root = parser_->FirstChild("animation", 1);
    if (!root) {
        WriteLog(0, "获取动画脚本 %s 的数据失败!", resname);
        return nullptr;
    }
    int extent[2];
    ReadParts(parser_->Attribute(root, "size", nullptr, 1), extent, 2);
    const int clip = ParseInt(parser_->Attribute(root, "clip", nullptr, 1));

    XmlNode node = parser_->ChildElement(root, "aniframe", 1);
    if (!node) {
        WriteLog(0, "获取动画脚本 %s 的帧数据失败!", resname);
        return nullptr;
    }
    std::unique_ptr<Animation> animation(new (std::nothrow) Animation());
    if (!animation) {
        WriteLog(0, "创建动画数据 %s 失败!", resname);
        return nullptr;
    }
    animation->SetWidth(extent[0]);
    animation->SetHeight(extent[1]);
    animation->SetClip(clip);
    for (; node; node = parser_->NextSibling(node, "aniframe", 1)) {
        IAnimationFrame* frame = animation->InsertFrame(-1);
        if (!frame) return nullptr;   // out of memory: no half-read animation
        ReadFrame(parser_, node, frame);
    }
    return animation.release();
}

IAnimation* ResourceManager::LoadPackedAnimation(const char* resname, const void* data,
                                                 uint32_t size) {
    if (!resname) resname = "";
    if (!data || size == 0) {
        WriteLog(0, "加载动画 %s 时动画数据异常!", resname);
        return nullptr;
    }
    static const unsigned char kMagic[4] = {0x89, 0x41, 0x4E, 0x49};
    if (size < sizeof kMagic || std::memcmp(data, kMagic, sizeof kMagic) != 0) return nullptr;
    WriteLog(0, "获取动画 %s 的数据头失败!", resname);
    return nullptr;
}
