#include "end_to_end/SampleGames.h"

#include "host/FolderSnapshot.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace e2e {

namespace {

// One file of an update list, by its path below the root's Games folder
// ("Starfall\data\maps.pak").
struct ListedFile {
    std::string path;
    uint64_t size = 0;
    std::string md5;
};

// The value of attribute `name` inside one tag's text; "" when absent.
std::string Attribute(const std::string& tag, const char* name) {
    const std::string key = std::string(" ") + name + "=\"";
    const size_t start = tag.find(key);
    if (start == std::string::npos) return std::string();
    const size_t from = start + key.size(), end = tag.find('"', from);
    return end == std::string::npos ? std::string() : tag.substr(from, end - from);
}

std::string ListBytes(const std::string& game) {
    std::string bytes;
    testsupport::ReadWholeFile(
        SampleGames() + "\\server\\Update\\Games\\" + game + "\\" + game + ".xml", &bytes);
    return bytes;
}

// Walks the tags in order: each Directory adds its name to the folder of the
// files inside it.
std::vector<ListedFile> ListedFiles(const std::string& listXml) {
    std::vector<ListedFile> files;
    std::vector<std::string> folders;
    for (size_t open = listXml.find('<'); open != std::string::npos;
         open = listXml.find('<', open + 1)) {
        const size_t close = listXml.find('>', open);
        if (close == std::string::npos) break;
        const std::string tag = listXml.substr(open, close - open);
        if (tag.compare(0, 10, "<Directory") == 0 && tag.back() != '/') {
            folders.push_back(Attribute(tag, "Name"));
        } else if (tag.compare(0, 11, "</Directory") == 0 && !folders.empty()) {
            folders.pop_back();
        } else if (tag.compare(0, 5, "<File") == 0) {
            ListedFile file;
            for (const std::string& folder : folders) file.path += folder + "\\";
            file.path += Attribute(tag, "Name");
            file.size = std::strtoull(Attribute(tag, "Size").c_str(), nullptr, 10);
            file.md5 = Attribute(tag, "MD5");
            files.push_back(file);
        }
    }
    return files;
}

std::string Md5Hex(const std::string& bytes) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[16] = {};
    DWORD size = sizeof digest;
    const bool hashed =
        CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
    if (!hashed) return std::string();
    char hex[33] = {};
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

}   // namespace

std::string SampleGames() { return testsupport::ExeFolder() + "\\sample_games"; }

void ExpectInstalled(const std::string& root, const std::string& game) {
    const std::string list = ListBytes(game);
    const std::vector<ListedFile> files = ListedFiles(list);
    ASSERT_FALSE(files.empty()) << "no list for " << game;
    for (const ListedFile& file : files) {
        std::string bytes;
        EXPECT_TRUE(testsupport::ReadWholeFile(root + "\\Games\\" + file.path, &bytes))
            << file.path;
        EXPECT_EQ(file.size, bytes.size()) << file.path;
        EXPECT_EQ(file.md5, Md5Hex(bytes)) << file.path;
    }
    std::string check;
    EXPECT_TRUE(testsupport::ReadWholeFile(root + "\\Games\\" + game + "\\version.check", &check));
    EXPECT_EQ(Md5Hex(list), check);
    EXPECT_FALSE(testsupport::FileExists(root + "\\Update\\Games\\" + game));
    // The task's log, and no engine log: the module starts the engine without one.
    std::vector<std::string> logs;
    for (const auto& file : panelhost::TakeSnapshot(root)) {
        const std::string& name = file.first;
        if (name.find('\\') == std::string::npos && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".log") == 0)
            logs.push_back(name);
    }
    EXPECT_EQ(std::vector<std::string>{"upgrade.log"}, logs);
}

}   // namespace e2e
