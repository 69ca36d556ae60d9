#include "tools/bench/PanelShapedTree.h"

#include <memory>
#include <string>

#include "engine/core/HandleTable.h"
#include "engine/graphics/Bitmap.h"
#include "engine/gui/uiStyleCtrl.h"
#include "engine/gui/uiTextCtrl.h"
#include "engine/resources/ResourceManager.h"

namespace bench {
namespace {

bool AddTexture(const char* name, int w, int h, uint32_t seed) {
    std::unique_ptr<Bitmap> bitmap(new Bitmap(w, h, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap->Row(y)[x] = 0xFF000000u | (seed * 2654435761u + x * 7 + y * 13);
    const int32_t id = Nuvex::Pools().texture.Add(bitmap.get());
    if (id <= 0) return false;
    bitmap.release();
    ResourceRecord* record = NewResourceRecord(kMemoryResourceTag);
    record->SetHandle(uint32_t(id));
    if (ResourceManager::Instance()->Add(RESOURCE_TEXTURE, name, record, 1)) return true;
    DeleteResourceRecord(record);
    return false;
}

// An animation of `frames` frames of w x h cut side by side from texture.
bool AddAnimation(const char* name, const char* texture, int frames, int w, int h) {
    std::string script = "<animation>";
    for (int i = 0; i < frames; ++i)
        script += "<aniframe alpha=\"255\" texture=\"" + std::string(texture) + "\" rectangle=\"" +
                  std::to_string(i * w) + ",0," + std::to_string(w) + "," + std::to_string(h) +
                  "\"/>";
    script += "</animation>";
    ResourceRecord* record = NewResourceRecord(kMemoryResourceTag);
    ResourceManager* manager = ResourceManager::Instance();
    const bool added = manager->Add(RESOURCE_ANIMATION, name, record, 1) != 0;
    if (!added) DeleteResourceRecord(record);
    return added && manager->LoadRecord(record, RESOURCE_ANIMATION, name, script.data(),
                                        uint32_t(script.size()));
}

bool RegisterSkin() {
    static int registered = -1;
    if (registered < 0) {
        registered = AddTexture("bench.body", 90, 10, 1) && AddTexture("bench.button", 64, 16, 2) &&
                     AddTexture("bench.bar", 30, 12, 3) && AddTexture("bench.fill", 8, 8, 4) &&
                     AddAnimation("bench.BodyStyle", "bench.body", 9, 10, 10) &&
                     AddAnimation("bench.TitleStyle", "bench.bar", 3, 10, 12) &&
                     AddAnimation("bench.Button", "bench.button", 4, 16, 16) &&
                     AddAnimation("bench.BarStyle", "bench.bar", 3, 10, 12);
    }
    return registered == 1;
}

class Builder {
public:
    explicit Builder(int& count) : count_(count) {}

    template <typename T>
    T* Style(GUI& parent, const char* style, int x, int y, int w, int h) {
        T* e = new T;
        if (!e->CreateWithAnimation("style", style, w, h, nullptr, 0)) return Drop(e);
        return Attach(parent, e, x, y);
    }
    GUI* Image(GUI& parent, const char* texture, int x, int y, int w, int h) {
        GUI* e = new GUI;
        if (!e->CreateWithTexture("image", texture, 0, 0, 0, 0, 0, 0, w, h, nullptr, 0))
            return Drop(e);
        e->SetStretch(1);
        return Attach(parent, e, x, y);
    }
    GUI* Plain(GUI& parent, int x, int y, int w, int h) {
        GUI* e = new GUI;
        if (!e->Create("plain", w, h, nullptr, 0)) return Drop(e);
        return Attach(parent, e, x, y);
    }
    uiTextCtrl* Label(GUI& parent, const char* text, int x, int y, int w) {
        uiTextCtrl* e = new uiTextCtrl;
        if (!e->Create("label", w, 14, nullptr, 0)) return Drop(e);
        if (!Attach(parent, e, x, y)) return nullptr;
        e->SetAutoSize(0);
        e->SetColor(0xFF000000u);
        e->SetText(text, 0);
        return e;
    }

private:
    template <typename T>
    T* Drop(T* e) {
        delete e;
        return nullptr;
    }
    template <typename T>
    T* Attach(GUI& parent, T* e, int x, int y) {
        if (!parent.AddChild(e, x, y)) return Drop(e);
        ++count_;
        return e;
    }
    int& count_;
};

}   // namespace

bool PanelShapedTree::Build(GUI& root) {
    if (!RegisterSkin()) return false;
    elements = 0;
    Builder b(elements);
    uiStyleCtrl* frame = b.Style<uiStyleCtrl>(root, "bench.BodyStyle", 60, 0, 480, 200);
    if (!frame) return false;
    uiStyleCtrl* title = b.Style<uiStyleCtrl>(*frame, "bench.TitleStyle", 0, 0, 480, 12);
    GUI* list = b.Style<uiStyleCtrl>(*frame, "bench.BodyStyle", 10, 20, 460, 130);
    if (!title || !list) return false;
    b.Label(*title, "下载管理", 8, 0, 120);
    b.Style<GUI>(*title, "bench.Button", 440, 0, 0, 0);
    b.Style<GUI>(*title, "bench.Button", 460, 0, 0, 0);
    GUI* header = b.Plain(*list, 0, 0, 460, 20);
    if (!header) return false;
    const char* titles[] = {"名称", "大小", "进度", "速度"};
    for (int i = 0; i < 4; ++i) b.Label(*header, titles[i], 10 + 110 * i, 3, 100);
    for (int r = 0; r < 3; ++r) {
        GUI* row = b.Plain(*list, 0, 22 + 35 * r, 460, 33);
        if (!row) return false;
        if (GUI* selection = b.Image(*row, "bench.fill", 0, 0, 460, 33)) selection->Show(0);
        b.Image(*row, "bench.fill", 2, 12, 8, 8);   // the download's icon
        b.Label(*row, "游戏客户端", 10, 10, 100);
        b.Label(*row, "512.00 MB", 120, 10, 100);
        GUI* bar = b.Style<uiStyleCtrl>(*row, "bench.BarStyle", 230, 10, 100, 12);
        if (bar) b.Image(*bar, "bench.fill", 1, 2, 37, 8);
        uiTextCtrl* speed = b.Label(*row, "128 KB/s", 340, 10, 100);
        if (r == 1) changing = speed;
    }
    b.Style<GUI>(*frame, "bench.Button", 380, 170, 0, 0);
    b.Style<GUI>(*frame, "bench.Button", 420, 170, 0, 0);
    return changing != nullptr;
}

}   // namespace bench
