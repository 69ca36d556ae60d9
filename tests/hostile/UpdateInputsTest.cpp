// What an update server sends and what the lobby's disk holds, hostile:
// update lists (read, then checked against an install), archives (installed
// and unpacked) and the lobby's INI file (read, changed, written, read back).
#include "HostileFeed.h"

#include "host/FolderSnapshot.h"
#include "support/Md5Hex.h"
#include "support/TestSupport.h"
#include "support/ZipWriter.h"
#include "update/ArchiveInstall.h"
#include "update/InstallCheck.h"
#include "update/UpdateList.h"
#include "update/support/IniFile.h"
#include "update/support/ZipExtractor.h"

#include <gtest/gtest.h>

#include <cstring>

using hostile::Fault;
using hostile::Feed;
using hostile::FileBytes;
using hostile::HandMade;
using hostile::InputKind;
using hostile::ManyAttributes;
using hostile::Repeated;

namespace {

bool SameFiles(const panelhost::FolderSnapshot& a, const panelhost::FolderSnapshot& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || i->second.size != j->second.size ||
            std::memcmp(&i->second.written, &j->second.written, sizeof(FILETIME)))
            return false;
    return true;
}

// The files of a small game as the sample lists name them.
struct GameFile {
    const char* folder;
    const char* name;
    std::string bytes;
};

std::vector<GameFile> GameFiles() {
    std::string dat;
    for (int i = 0; i < 4096; ++i) dat += char((i * 7919) >> 3);
    return {{"Starfall", "readme.txt", "Thanks for playing.\r\n"},
            {"Starfall", "Starfall.dat", dat},
            {"Starfall\\config", "game.ini", "[Video]\r\nWidth=1024\r\n"},
            {"Lobby", "Lobby.exe", "MZ lobby"}};
}

std::string FileElement(const GameFile& f) {
    return "<File Name=\"" + std::string(f.name) + "\" Size=\"" + std::to_string(f.bytes.size()) +
           "\" ZipSize=\"" + std::to_string(f.bytes.size() / 2 + 20) + "\" MD5=\"" +
           testsupport::Md5Hex(f.bytes) + "\"/>";
}

std::vector<std::string> ListSamples() {
    const std::vector<GameFile> files = GameFiles();
    const std::string head = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";
    return {head + "<UpdateList Name=\"星落\">\r\n <Directory Name=\"Starfall\">\r\n  " +
                FileElement(files[0]) + "\r\n  " + FileElement(files[1]) +
                "\r\n  <Directory Name=\"config\">" + FileElement(files[2]) +
                "</Directory>\r\n </Directory>\r\n</UpdateList>\r\n",
            head + "<UpdateList Name=\"大厅\"><Directory Name=\"Lobby\">" + FileElement(files[3]) +
                "<Directory Name=\"Skins\"><File Name=\"Fetchpane.skin\" Size=\"0\" ZipSize=\"1\" "
                "MD5=\"d41d8cd98f00b204e9800998ecf8427e\"/></Directory></Directory></UpdateList>"};
}

std::vector<std::string> ListTokens() {
    return hostile::MarkupTokens({"<Directory Name=\"", "</Directory>", "<File Name=\"", " Size=\"",
                                  " ZipSize=\"", " MD5=\"", " Name=\"", "..\\", "../", "C:\\",
                                  "\\\\?\\", "Lobby", "\\", "<Directory>", "<File/>"});
}

std::vector<HandMade> HandMadeLists() {
    const std::string open = "<UpdateList Name=\"x\">";
    return {{"empty", ""},
            {"a declaration cut short", "<?xml "},
            {"a declaration without its end", "<?xml version=\"1.0\" encoding=\"GB2312\""},
            {"directories nested 300 deep", open + Repeated("<Directory Name=\"d\">", 300) +
                                                Repeated("</Directory>", 300) + "</UpdateList>"},
            {"an element of 20,000 attributes", "<UpdateList" + ManyAttributes(20000) + "/>"},
            {"names that climb out",
             open + "<Directory Name=\"..\"><File Name=\"..\\..\\x\" Size=\"1\"/></Directory>" +
                 "</UpdateList>"},
            {"a name of 300 characters", open + "<Directory Name=\"g\"><File Name=\"" +
                                             std::string(300, 'n') +
                                             "\" Size=\"1\"/></Directory></UpdateList>"},
            {"a double-byte lead at the end", open + "<Directory Name=\"\xB0"},
            {"10,000 files, half of them the same",
             open + "<Directory Name=\"Starfall\">" +
                 Repeated("<File Name=\"readme.txt\" Size=\"21\"/><File Name=\"a\"/>", 5000) +
                 "</Directory></UpdateList>"}};
}

class HostileUpdateInputs : public ::testing::Test {
protected:
    std::string Put(const GameFile& f) {
        const std::string folder = work.Join(f.folder);
        for (size_t at = work.Path().size() + 1; at <= folder.size(); ++at)
            if (at == folder.size() || folder[at] == '\\')
                CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
        const std::string path = folder + "\\" + f.name;
        EXPECT_TRUE(testsupport::WriteWholeFile(path, f.bytes));
        return path;
    }
    testsupport::TempFolder work;
};

}   // namespace

// Every list is read, and what it names is checked against an install whose
// files are there and whole, as a task does before it downloads.
TEST_F(HostileUpdateInputs, UpdateLists) {
    for (const GameFile& f : GameFiles()) Put(f);
    const std::string list = work.Join("list.xml");
    bool lobby = false;
    const hostile::Target read = [&](const std::string& bytes) {
        testsupport::WriteWholeFile(list, bytes);
        UpdateListReader reader(lobby = !lobby);
        if (reader.Read(list) != UpdateListReader::kRead) return false;
        std::vector<CheckedFile> files;
        for (const UpdateEntry& e : reader.Entries()) {
            if (files.size() == 2000) break;
            files.push_back(
                {work.Path() + (e.folder.empty() ? "" : "\\" + e.folder) + "\\" + e.name, e.size,
                 e.md5});
        }
        return InstallCheck(2, nullptr).Run(files, [](size_t, bool) {}) && !files.empty();
    };
    Feed({"update lists", 35001, 2000, ListSamples(), ListTokens(), HandMadeLists()}, read);
}

namespace {

std::string Zip(const testsupport::TempFolder& folder,
                const std::vector<testsupport::ZipEntry>& entries) {
    const std::string path = folder.Join("sample.zip");
    EXPECT_TRUE(testsupport::WriteZip(path, entries));
    return FileBytes(path);
}

std::vector<HandMade> HandMadeArchives(const std::vector<std::string>& samples,
                                       const testsupport::TempFolder& folder, const GameFile& dat) {
    std::vector<HandMade> made = {
        {"empty", ""},
        {"an empty archive", std::string("PK\x05\x06", 4) + std::string(18, '\0')},
        {"entries claiming 2 GB", hostile::ClaimingUnpackedSize(samples[0], 0x7FFFFFF0)},
        {"a stored entry claiming 2 GB", hostile::ClaimingUnpackedSize(samples[1], 0x7FFFFFF0)},
        {"entries claiming 4 GB less one", hostile::ClaimingUnpackedSize(samples[0], 0xFFFFFFFF)},
    };
    const struct {
        const char* name;
        testsupport::ZipEntry entry;
    } entries[] = {
        {"an enciphered entry", {"Starfall.dat", dat.bytes, false, false, "secret"}},
        {"an entry that climbs out", {"../../beside.txt", "x"}},
        {"an entry at a drive's root", {"C:/beside.txt", "x"}},
        {"a link", {"Starfall.dat", dat.bytes, false, false, nullptr, false, false, "", 0120777}},
        {"a wrong CRC", {"Starfall.dat", dat.bytes, true, false, nullptr, true}},
        {"data that doesn't inflate",
         {"Starfall.dat", dat.bytes, false, false, nullptr, false, true}},
        {"a name of 300 characters", {std::string(300, 'n'), "x"}},
    };
    for (const auto& e : entries) made.push_back({e.name, Zip(folder, {e.entry})});
    return made;
}

}   // namespace

// Every archive is installed as a task installs it, then unpacked whole: an
// install that fails leaves the game's folder as it was, and nothing is ever
// written beside the folders they were given.
TEST_F(HostileUpdateInputs, Archives) {
    const std::vector<GameFile> files = GameFiles();
    const std::string dat = Put(files[1]), readme = Put(files[0]);
    const std::string game = work.Join("Starfall"), out = work.Join("Out"),
                      archive = work.Join("a.zip");
    testsupport::TempFolder samplesFolder;
    std::vector<std::string> samples = {
        Zip(samplesFolder, {{"Starfall.dat", files[1].bytes},
                            {"config/", "", false, true},
                            {"config/game.ini", files[2].bytes, true}}),
        Zip(samplesFolder, {{"Starfall.dat", files[1].bytes, true}}),
        Zip(samplesFolder, {{"Starfall.dat", files[1].bytes}, {"readme.txt", files[0].bytes}})};
    int flatten = 0;
    const hostile::Target install = [&](const std::string& bytes) {
        testsupport::WriteWholeFile(archive, bytes);
        const panelhost::FolderSnapshot gameBefore = panelhost::TakeSnapshot(game);
        ArchiveInstall installer([] { return true; });
        installer.Expect(dat, int32_t(files[1].bytes.size()), testsupport::Md5Hex(files[1].bytes));
        installer.Expect(readme, int32_t(files[0].bytes.size()), testsupport::Md5Hex(files[0].bytes));
        installer.LimitUnlisted(1 << 20);
        const bool installed = installer.Install(archive, game, dat);
        if (!installed && !SameFiles(gameBefore, panelhost::TakeSnapshot(game)))
            throw Fault{"a failed install changed the game's folder"};
        ZipExtractor extractor;
        if (extractor.Open(archive.c_str())) extractor.ExtractAll(out.c_str(), ++flatten % 2);
        extractor.Close();
        testsupport::RemoveTree(out);
        for (const auto& file : panelhost::TakeSnapshot(work.Path()))
            if (file.first != "a.zip" && file.first.compare(0, 9, "Starfall\\") != 0)
                throw Fault{"wrote " + file.first + " beside the folders it was given"};
        return installed;
    };
    Feed({"archives", 35002, 2000, samples, hostile::ZipTokens(),
          HandMadeArchives(samples, samplesFolder, files[1])},
         install);
}

namespace {

std::vector<std::string> IniSamples() {
    return {
        "; the lobby's settings\r\n[Lobby]\r\nServer=lobby.example.net\r\nPort=6100\r\n"
        "; 星落 and its friends\r\n[Update]\r\nLastCheck=0\r\nServers=3\r\n\r\n[Games]\r\n"
        "星落=Games\\Starfall\r\nMoonfall = Games\\Moonfall ; a comment\r\n",
        "[Video]\nWidth=1024\nHeight=768\n[Sound]\nVolume=80\n[video]\nwidth=800\n"};
}

std::vector<HandMade> HandMadeInis() {
    return {{"empty", ""},
            {"an open bracket", "["},
            {"a double-byte lead in a section name", "[\xB0"},
            {"keys without a section", "a=1\r\nb=2\r\n=\r\n"},
            {"10,000 sections", Repeated("[s]\r\nk=v\r\n", 5000) + Repeated("[t]\r\n", 5000)},
            {"10,000 keys of one name", "[a]\r\n" + Repeated("K=v\r\nk=w\r\n", 5000)},
            {"a line of 200 KB", "[a]\r\nk=" + std::string(200 * 1024, 'v') + "\r\n"},
            {"NUL bytes", std::string("[a]\0\r\nk\0=v\r\n", 12)},
            {"carriage returns alone", "[a]\rk=v\r[b]\rk=w\r"}};
}

}   // namespace

// Every file is read, changed and written as the task keeps its settings,
// then read and written again: that second round trip must change nothing,
// or each run of the lobby would change its file a little more.
TEST_F(HostileUpdateInputs, IniFiles) {
    const std::string path = work.Join("Config.ini");
    const hostile::Target roundTrip = [&](const std::string& bytes) {
        testsupport::WriteWholeFile(path, bytes);
        IniFile first(path);
        if (!first.Read()) return false;
        first.SetValue("Update", "LastCheck", "1", true);
        if (!first.Write()) throw Fault{"a file it read could not be written back"};
        const std::string once = FileBytes(path);
        IniFile second(path);
        if (!second.Read() || !second.Write())
            throw Fault{"its own file could not be read and written"};
        if (FileBytes(path) != once) throw Fault{"a second round trip changed the file"};
        return true;
    };
    Feed({"INI files",
          35003,
          1500,
          IniSamples(),
          {"[", "]", "=", ";", "\r\n", "\n", "\r", " ", "\t", "[Update]", "LastCheck", "\xB0",
           "\xB0\x5C", "#"},
          HandMadeInis()},
         roundTrip);
}
