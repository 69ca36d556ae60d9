#include "ManagerFixture.h"

#include "engine/resources/ResourceNames.h"

#include <cstring>

using managertest::ManagerTest;

TEST(ResourceNames, CheckNameCharsTable) {
    struct Case {
        const char* text;
        char separator;
        int expected;
    };
    // clang-format off
    const Case cases[] = {
        {"a.b", '.', 1},        {".a", '.', -2},       {"a b", 0, 0},
        {"a?b", 0, -3},         {"", '.', -1},         {nullptr, '.', -1},
        {"a..b", '.', 2},       {"a.", '.', 1},        {"a.b", 0, -3},
        {"Skin.Main.x", '.', 2}, {"a\x80" "b", 0, -3}, {"a\x7f", 0, -3},
        {"a\tb", 0, -3},        {"~!@#$%^&()_+-=[]{};,`", 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected,
                  Nuvex::CheckNameChars(Nuvex::ResourceNameTable(), c.text, c.separator))
            << (c.text ? c.text : "(null)");
    }
    for (const char bad : std::string("\"'*./:<>?\\|")) {
        const char text[] = {'a', bad, '\0'};
        EXPECT_EQ(-3, Nuvex::CheckNameChars(Nuvex::ResourceNameTable(), text, 0)) << text;
    }
    int allowed = 0;
    for (int c = 0; c < 256; ++c) allowed += Nuvex::ResourceNameTable()[c] ? 1 : 0;
    EXPECT_EQ(84, allowed);
}

TEST(ResourceNames, QualifyNameTable) {
    struct Case {
        const char* name;
        const char* expected;
    };   // null: refused
    const Case cases[] = {
        {"btn", "_GLOBAL.btn"}, {"Skin.btn", "Skin.btn"}, {"a.b.c", nullptr},
        {".btn", nullptr},      {"a/b", nullptr},         {"", nullptr},
        {nullptr, nullptr},     {"a b", "_GLOBAL.a b"},
    };
    for (const Case& c : cases) {
        char dst[Nuvex::kResourceNameSize] = "junk";
        int ok = Nuvex::QualifyResourceName(dst, c.name);
        EXPECT_EQ(c.expected ? 1 : 0, ok) << (c.name ? c.name : "(null)");
        if (c.expected) {
            EXPECT_STREQ(c.expected, dst);
        }
    }
    // "_GLOBAL." is 8 characters: 251 more fill the 259; one more would be cut.
    char dst[Nuvex::kResourceNameSize];
    EXPECT_EQ(1, Nuvex::QualifyResourceName(dst, std::string(251, 'n').c_str()));
    EXPECT_EQ(259u, std::strlen(dst));
    EXPECT_EQ(0, Nuvex::QualifyResourceName(dst, std::string(252, 'n').c_str()));
}

TEST(ResourceNames, TypeNames) {
    const char* english[] = {"unknown", "texture", "animation", "effect", "stream"};
    const char* chinese[] = {"用户", "纹理", "动画", "音效", "音频"};
    for (int type = 0; type < 5; ++type) {
        EXPECT_STREQ(english[type], Nuvex::ResourceTypeName(type));
        EXPECT_STREQ(chinese[type], Nuvex::ResourceTypeNameCn(type));
    }
    for (int type : {7, -1, 5}) {
        EXPECT_STREQ("invalid", Nuvex::ResourceTypeName(type));
        EXPECT_STREQ("未知", Nuvex::ResourceTypeNameCn(type));
    }
}

TEST_F(ManagerTest, LookupQualifiesNames) {
    std::string data = Write("data.bin", "payload");
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "_GLOBAL.btn", data, 0));
    ASSERT_EQ(1, AddPath(RESOURCE_RAW, "Skin.btn", data, 0));

    ResourceRecord* global = mgr->Lookup(RESOURCE_RAW, "btn");
    ASSERT_NE(nullptr, global);
    EXPECT_EQ(global, mgr->Lookup(RESOURCE_RAW, "_GLOBAL.btn"));
    ResourceRecord* skin = mgr->Lookup(RESOURCE_RAW, "Skin.btn");
    ASSERT_NE(nullptr, skin);
    EXPECT_NE(global, skin);
    for (const char* refused : {"a.b.c", ".btn", "a/b", "", "Skin.btn/x"})
        EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_RAW, refused)) << refused;
    EXPECT_EQ(nullptr, mgr->Lookup(RESOURCE_RAW, nullptr));
    EXPECT_EQ(nullptr, mgr->Lookup(7, "btn"));
    EXPECT_EQ(nullptr, mgr->Lookup(-1, "btn"));
}

TEST_F(ManagerTest, ValidNamesAndQualifyMembers) {
    EXPECT_EQ(1, mgr->IsValidName("Body Style"));
    EXPECT_EQ(0, mgr->IsValidName("Default.Body"));
    EXPECT_EQ(0, mgr->IsValidName(""));
    EXPECT_EQ(0, mgr->IsValidName(nullptr));
    char dst[Nuvex::kResourceNameSize];
    EXPECT_EQ(1, mgr->QualifyName(dst, "x"));
    EXPECT_STREQ("_GLOBAL.x", dst);
    EXPECT_EQ(0, mgr->QualifyName(nullptr, "x"));
}
