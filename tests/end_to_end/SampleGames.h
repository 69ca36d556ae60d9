#pragma once
// The sample games the end-to-end host updates (tools/make-sample-game, once
// for each of Starfall, Moonfall and Sunspire).
#include <string>

namespace e2e {

// The folder "sample_games" beside the test programs: its "server" folder
// holds what a server publishes, its "root" folder a root with an older
// install of each game.
std::string SampleGames();

// Checks, as gtest expectations, that `game` is installed under `root`
// exactly as its list says (every file's size and MD5), with its
// version.check, and that the update left its task log and no download
// folder behind.
void ExpectInstalled(const std::string& root, const std::string& game);

}   // namespace e2e
