// The skin in the repository holds every style the panel looks up, in the
// shapes the controls need, and the list's texture holds its pieces where
// panel/SkinStyles.h and regions.txt say.
#include "SkinFixture.h"

#include "engine/graphics/Bitmap.h"
#include "engine/graphics/Texture.h"
#include "engine/resources/Animation.h"
#include "engine/resources/AnimationPlayer.h"
#include "engine/resources/ResourceManager.h"
#include "panel/PanelSkin.h"
#include "panel/SkinStyles.h"

#include <regex>
#include <sstream>
#include <vector>

namespace {

const Bitmap* Texture(const char* name) {
    ResourceRecord* record = ResourceManager::Instance()->Lookup(RESOURCE_TEXTURE, name);
    return record ? Nuvex::GetTextureById(record->Handle()) : nullptr;
}

bool Inside(const Bitmap& b, int x, int y, int w, int h) {
    return x >= 0 && y >= 0 && w > 0 && h > 0 && x + w <= b.Width() && y + h <= b.Height();
}

// The indented table rows of regions.txt: a name, then x, y, width, height.
std::vector<skin::Region> DocumentedRegions() {
    std::string text;
    EXPECT_TRUE(testsupport::ReadWholeFile(skininstall::DefaultSource() + "\\regions.txt", &text));
    std::vector<skin::Region> regions;
    const std::regex row("^  .* (\\d+) +(\\d+) +(\\d+) +(\\d+)\\r?$");
    std::istringstream lines(text);
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_match(line, m, row))
            regions.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])});
    return regions;
}

}   // namespace

TEST_F(SkinTest, EveryStyleThePanelLooksUpResolvesWithTheShapeItsControlNeeds) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, PanelSkin::Load());
    ResourceManager* manager = ResourceManager::Instance();

    struct Style {
        const char* name;
        int frames;
        int maxWidth, maxHeight;   // 0: no bound
    };
    // Buttons fit the 100-pixel step they are placed at and the 35 pixels
    // above the bottom; the title bar ends above the list at y 28; a bar
    // fits its 200-pixel column and its 22-pixel row at y 5.
    const Style styles[] = {
        {skin::kBodyStyle, 9, 0, 0},          {skin::kTitleBarStyle, 3, 0, 28},
        {skin::kCancelButton, 4, 95, 35},     {skin::kCancelAllButton, 4, 95, 35},
        {skin::kMinimiseButton, 4, 40, 28},   {skin::kCloseButton, 4, 40, 28},
        {skin::kBarTrack, 1, 200, 17},        {skin::kBarFill, 1, 200, 17},
        {skin::kBarFillChecking, 1, 200, 17},
    };
    for (const Style& style : styles) {
        SCOPED_TRACE(style.name);
        IAnimation* animation = Nuvex::GetAnimation(style.name);
        ASSERT_NE(nullptr, animation);
        ASSERT_EQ(style.frames, animation->GetFrameCount());
        for (int i = 0; i < style.frames; ++i) {
            IAnimationFrame* frame = animation->GetFrame(i);
            EXPECT_EQ(255, frame->GetAlpha()) << i;
            EXPECT_EQ(0, std::string(frame->GetTexture()).find("Default.")) << i;
            const Bitmap* texture = Texture(frame->GetTexture());
            ASSERT_NE(nullptr, texture) << i;
            EXPECT_TRUE(Inside(*texture, frame->GetLeft(), frame->GetTop(), frame->GetWidth(),
                               frame->GetHeight()))
                << i;
            if (style.maxWidth) EXPECT_LE(frame->GetWidth(), style.maxWidth) << i;
            if (style.maxHeight) EXPECT_LE(frame->GetHeight(), style.maxHeight) << i;
            // The states of a button, the pieces of a bar: one size, one height.
            if (style.frames == 4)
                EXPECT_EQ(animation->GetFrame(0)->GetWidth(), frame->GetWidth()) << i;
            if (style.frames <= 4)
                EXPECT_EQ(animation->GetFrame(0)->GetHeight(), frame->GetHeight()) << i;
        }
        AnimationPlayer player;
        EXPECT_EQ(1, manager->BindAnimation(&player, style.name, 0, style.frames));
    }
    // The fills are drawn over the track at its natural size.
    IAnimationFrame* track = Nuvex::GetAnimation(skin::kBarTrack)->GetFrame(0);
    for (const char* fill : {skin::kBarFill, skin::kBarFillChecking}) {
        EXPECT_EQ(track->GetWidth(), Nuvex::GetAnimation(fill)->GetFrame(0)->GetWidth()) << fill;
        EXPECT_EQ(track->GetHeight(), Nuvex::GetAnimation(fill)->GetFrame(0)->GetHeight()) << fill;
    }
    const int titleHeight = Nuvex::GetAnimation(skin::kTitleBarStyle)->GetFrame(0)->GetHeight();
    EXPECT_LE(Nuvex::GetAnimation(skin::kCloseButton)->GetFrame(0)->GetHeight(), titleHeight);
}

TEST_F(SkinTest, TheListTextureHoldsItsPiecesWhereTheyAreDocumented) {
    ASSERT_TRUE(Install());
    ASSERT_EQ(1, PanelSkin::Load());
    const Bitmap* texture = Texture(skin::kListTexture);
    ASSERT_NE(nullptr, texture);

    std::vector<skin::Region> regions = {skin::kListTopEdge, skin::kListCentre,
                                         skin::kListBottomEdge, skin::kRowSelection,
                                         skin::kLastRowSelection};
    regions.insert(regions.end(), std::begin(skin::kOlderTitlePieces),
                   std::end(skin::kOlderTitlePieces));
    regions.insert(regions.end(), std::begin(skin::kOlderFramePieces),
                   std::end(skin::kOlderFramePieces));
    std::vector<skin::Region> documented = DocumentedRegions();
    ASSERT_EQ(regions.size(), documented.size());

    // Every piece is drawn (opaque at its middle) and no two overlap; outside
    // the pieces the texture is empty.
    std::vector<int> owner(size_t(texture->Width()) * texture->Height(), -1);
    for (size_t i = 0; i < regions.size(); ++i) {
        const skin::Region& r = regions[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(r.x == documented[i].x && r.y == documented[i].y &&
                    r.width == documented[i].width && r.height == documented[i].height);
        ASSERT_TRUE(Inside(*texture, r.x, r.y, r.width, r.height));
        EXPECT_EQ(0xFFu, texture->Row(r.y + r.height / 2)[r.x + r.width / 2] >> 24);
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x) {
                int& cell = owner[size_t(y) * texture->Width() + x];
                ASSERT_EQ(-1, cell) << "overlaps piece " << cell << " at " << x << "," << y;
                cell = int(i);
            }
    }
    int strayPixels = 0;
    for (int y = 0; y < texture->Height(); ++y)
        for (int x = 0; x < texture->Width(); ++x)
            if (owner[size_t(y) * texture->Width() + x] < 0 && (texture->Row(y)[x] >> 24))
                ++strayPixels;
    EXPECT_EQ(0, strayPixels);
}
