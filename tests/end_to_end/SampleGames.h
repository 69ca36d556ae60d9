#pragma once
// The sample games the end-to-end host updates (tools/make-sample-game, once
// for each of Starfall, Moonfall and Sunspire): what their update lists name
// and how an install is judged against them.
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// The folder "sample_games" beside the test programs: its "server" folder
// holds what a server publishes, its "root" folder a root with an older
// install of each game.
std::string SampleGames();

// One file of an update list, by its path below the root's Games folder
// ("Starfall\data\maps.pak").
struct ListedFile {
    std::string path;
    uint64_t size = 0;
    std::string md5;
};

// The list a server publishes for `game`, as bytes, and the files it names.
std::string ListBytes(const std::string& game);
std::vector<ListedFile> ListedFiles(const std::string& listXml);

// 32 lower-case hex digits.
std::string Md5Hex(const std::string& bytes);

// Checks, as gtest expectations, that `game` is installed under `root`
// exactly as its list says, with its version.check, and that the update
// left its task log and no download folder behind.
void ExpectInstalled(const std::string& root, const std::string& game);

}   // namespace e2e
