#include "engine/resources/MemoryZip.h"
#include "engine/resources/ZipPack.h"

#include "resources/PackFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>
#include <zlib.h>
#include <memory>
#include <string>

using packfixtures::Entry;
using packfixtures::Pattern;

namespace {

struct PackDeleter {
    void operator()(IPack* p) const { p->Release(); }
};
using Pack = std::unique_ptr<IPack, PackDeleter>;

Pack NewPack() {
    Pack p(CreateZipPack());
    EXPECT_NE(p, nullptr);
    return p;
}

const char kPassword[] = "quorvelintaspek";

uint32_t WriteText(IPack* p, const char* name, const std::string& data) {
    return p->Write(name, data.data(), static_cast<uint32_t>(data.size()));
}

std::string ReadEntry(IPack* p, const char* name, uint32_t size) {
    std::string out(size, '\0');
    uint32_t got = p->Read(name, &out[0], size);
    out.resize(got);
    return out;
}

}   // namespace

TEST(ZipPack, RoundTripWithPassword) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("round.skin");
    const std::string data = Pattern(3000, 5);
    {
        Pack w = NewPack();
        ASSERT_TRUE(w->Open(path.c_str(), kPassword, IPack::ModeCreate));
        EXPECT_EQ(WriteText(w.get(), "gui/a.png", data), 3000u);
        // One name per writer, whatever its case or slashes.
        EXPECT_EQ(WriteText(w.get(), "GUI\\A.PNG", "other"), 0u);
        EXPECT_EQ(WriteText(w.get(), "Index.xml", "<resources/>"), 12u);
        EXPECT_TRUE(w->Close());
    }
    // Stored exactly as the caller wrote it.
    EXPECT_EQ(packfixtures::ListEntries(path),
              (std::vector<std::string>{"gui/a.png", "Index.xml"}));

    Pack r = NewPack();
    ASSERT_TRUE(r->Open(path.c_str(), kPassword, IPack::ModeRead));
    EXPECT_TRUE(r->Exists("Gui/A.png"));
    EXPECT_EQ(r->GetSize("gui\\a.PNG"), 3000u);
    EXPECT_EQ(r->GetCrc("GUI/A.PNG"), crc32(0, reinterpret_cast<const Bytef*>(data.data()), 3000));
    EXPECT_EQ(ReadEntry(r.get(), "GUI\\a.png", 5000), data);
    EXPECT_EQ(ReadEntry(r.get(), "index.XML", 100), "<resources/>");
    EXPECT_FALSE(r->Exists("missing.png"));
    EXPECT_EQ(r->GetSize("missing.png"), 0u);
    EXPECT_EQ(r->GetCrc("missing.png"), 0u);
    EXPECT_EQ(r->Read("missing.png", &std::string(10, ' ')[0], 10), 0u);
    EXPECT_EQ(r->Reserved1(), 1);
    EXPECT_EQ(r->Reserved2(1, 2), 0);
    EXPECT_STREQ(r->Reserved3(), "");
    EXPECT_TRUE(r->Close());
}

TEST(ZipPack, GbkNamesMatchIgnoringAsciiCase) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("gbk.skin");
    {
        Pack w = NewPack();
        ASSERT_TRUE(w->Open(path.c_str(), kPassword, IPack::ModeCreate));
        EXPECT_EQ(WriteText(w.get(), "皮肤/按钮.png", "button"), 6u);
        // A trail byte that is an ASCII letter (0x81 0x61).
        EXPECT_EQ(WriteText(w.get(), "img/\x81\x61.tga", "trail"), 5u);
        EXPECT_TRUE(w->Close());
    }
    EXPECT_EQ(packfixtures::ListEntries(path),
              (std::vector<std::string>{"皮肤/按钮.png", "img/\x81\x61.tga"}));
    Pack r = NewPack();
    ASSERT_TRUE(r->Open(path.c_str(), kPassword, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(r.get(), "皮肤\\按钮.PNG", 6), "button");
    EXPECT_EQ(ReadEntry(r.get(), "IMG\\\x81\x61.TGA", 5), "trail");
}

TEST(ZipPack, ReadsEntriesFromAnIndependentWriter) {
    Pack r = NewPack();
    ASSERT_TRUE(r->Open(packfixtures::PythonPlainPack().c_str(), nullptr, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(r.get(), "A\\B.PNG", 3000), Pattern(3000, 1));
    EXPECT_EQ(ReadEntry(r.get(), "stored.bin", 100), Pattern(100, 3));
    EXPECT_EQ(ReadEntry(r.get(), "dir/x.txt", 100), "from the pack");
    // An empty entry exists with size 0; a missing one does not.
    EXPECT_TRUE(r->Exists("EMPTY.TXT"));
    EXPECT_EQ(r->GetSize("empty.txt"), 0u);
    EXPECT_FALSE(r->Exists("empty.tx"));
    EXPECT_EQ(r->GetSize("empty.tx"), 0u);
}

TEST(ZipPack, OpensFromMemoryWithoutCopying) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("mem.skin");
    const std::string data = Pattern(100, 9);
    ASSERT_TRUE(
        packfixtures::WriteZip(path, {{"one.bin", data}, {"two.bin", "second"}}, kPassword));
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadWholeFile(path, &bytes));

    ZipPack pack;
    ASSERT_TRUE(pack.OpenMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), kPassword));
    EXPECT_STREQ(pack.PackName(), "PackMemory");
    // A small buffer receives the entry's first bytes.
    char first[10];
    EXPECT_EQ(pack.Read("one.bin", first, sizeof first), 10u);
    EXPECT_EQ(std::string(first, 10), data.substr(0, 10));
    EXPECT_EQ(ReadEntry(&pack, "ONE.BIN", 200), data);
    EXPECT_EQ(ReadEntry(&pack, "two.bin", 6), "second");

    EXPECT_FALSE(pack.OpenMemory(nullptr, 10, nullptr));
    EXPECT_FALSE(pack.OpenMemory(bytes.data(), 0, nullptr));
    // A truncated block is no archive.
    EXPECT_FALSE(pack.OpenMemory(bytes.data(), static_cast<uint32_t>(bytes.size() / 2), kPassword));
    EXPECT_FALSE(pack.Exists("one.bin"));
}

TEST(ZipPack, MemoryFileFunctionsStayInsideTheBlock) {
    const char data[] = "0123456789";
    Nuvex::MemoryBlock block;
    block.data = reinterpret_cast<const uint8_t*>(data);
    block.size = 10;
    zlib_filefunc_def f;
    Nuvex::FillMemoryFileFunctions(&f, &block);

    EXPECT_EQ(f.zopen_file(f.opaque, nullptr, ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_WRITE),
              nullptr);
    EXPECT_EQ(f.zopen_file(f.opaque, "name.zip", ZLIB_FILEFUNC_MODE_READ), nullptr);
    EXPECT_EQ(f.zopen_file(nullptr, nullptr, ZLIB_FILEFUNC_MODE_READ), nullptr);
    voidpf s = f.zopen_file(f.opaque, nullptr,
                            ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    ASSERT_NE(s, nullptr);

    char buf[32] = {};
    EXPECT_EQ(f.zseek_file(f.opaque, s, 8, ZLIB_FILEFUNC_SEEK_SET), 0);
    EXPECT_EQ(f.zread_file(f.opaque, s, buf, 5), 2u);
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(f.ztell_file(f.opaque, s), 10);
    // Past the end: accepted, and reads give nothing.
    EXPECT_EQ(f.zseek_file(f.opaque, s, 5, ZLIB_FILEFUNC_SEEK_END), 0);
    EXPECT_EQ(f.zread_file(f.opaque, s, buf, 5), 0u);
    EXPECT_EQ(f.zseek_file(f.opaque, s, 100, ZLIB_FILEFUNC_SEEK_CUR), 0);
    EXPECT_EQ(f.zread_file(f.opaque, s, buf, 5), 0u);
    EXPECT_EQ(f.ztell_file(f.opaque, s), 115);
    EXPECT_EQ(f.zseek_file(f.opaque, s, 0, 7), -1);
    EXPECT_EQ(f.zwrite_file(f.opaque, s, "x", 1), 0u);
    EXPECT_EQ(f.zerror_file(f.opaque, s), 0);
    EXPECT_EQ(f.zclose_file(f.opaque, s), 0);
    EXPECT_EQ(f.zread_file(f.opaque, nullptr, buf, 5), 0u);
    EXPECT_EQ(f.ztell_file(f.opaque, nullptr), -1);
    EXPECT_EQ(f.zseek_file(f.opaque, nullptr, 0, ZLIB_FILEFUNC_SEEK_SET), -1);
}

TEST(ZipPack, AppendKeepsEntriesAndAcceptsAnExistingName) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("append.skin");
    {
        Pack w = NewPack();
        ASSERT_TRUE(w->Open(path.c_str(), nullptr, IPack::ModeCreate));
        EXPECT_EQ(WriteText(w.get(), "one.txt", "first"), 5u);
        EXPECT_TRUE(w->Close());
        ASSERT_TRUE(w->Open(path.c_str(), nullptr, IPack::ModeAppend));
        EXPECT_EQ(WriteText(w.get(), "two.txt", "second"), 6u);
        EXPECT_EQ(WriteText(w.get(), "ONE.TXT", "again"), 5u);
        EXPECT_TRUE(w->Close());
    }
    EXPECT_EQ(packfixtures::ListEntries(path),
              (std::vector<std::string>{"one.txt", "two.txt", "ONE.TXT"}));
    Pack r = NewPack();
    ASSERT_TRUE(r->Open(path.c_str(), nullptr, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(r.get(), "two.txt", 6), "second");
    // The first entry of a name wins; later ones cannot be reached.
    EXPECT_EQ(ReadEntry(r.get(), "one.txt", 5), "first");
    EXPECT_EQ(ReadEntry(r.get(), "One.Txt", 5), "first");
}

TEST(ZipPack, StatesAndRefusals) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("states.skin");
    Pack p = NewPack();
    EXPECT_FALSE(p->Close());
    EXPECT_FALSE(p->Open(nullptr, nullptr, IPack::ModeRead));
    EXPECT_FALSE(p->Open("", nullptr, IPack::ModeRead));
    EXPECT_FALSE(p->Open(path.c_str(), nullptr, 3));
    EXPECT_FALSE(p->Close());
    EXPECT_FALSE(p->Open(folder.Join("missing.skin").c_str(), nullptr, IPack::ModeRead));

    ASSERT_TRUE(p->Open(path.c_str(), nullptr, IPack::ModeCreate));
    EXPECT_EQ(p->Write(nullptr, "x", 1), 0u);
    EXPECT_EQ(p->Write("", "x", 1), 0u);
    EXPECT_EQ(p->Write("a", nullptr, 1), 0u);
    EXPECT_EQ(p->Write("a", "x", 0), 0u);
    EXPECT_FALSE(p->Exists("a"));   // nothing to read while writing
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("empty.bin"), ""));
    ASSERT_TRUE(testsupport::WriteWholeFile(folder.Join("full.bin"), "file bytes"));
    EXPECT_EQ(p->AddFile("empty.bin", folder.Join("empty.bin").c_str()), 0u);
    EXPECT_EQ(p->AddFile("missing.bin", folder.Join("missing.bin").c_str()), 0u);
    EXPECT_EQ(p->AddFile("full.bin", folder.Join("full.bin").c_str()), 10u);
    EXPECT_EQ(p->AddFile("FULL.BIN", folder.Join("full.bin").c_str()), 0u);

    // Opening while open finishes the archive first.
    ASSERT_TRUE(p->Open(path.c_str(), nullptr, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(p.get(), "full.bin", 10), "file bytes");
    EXPECT_FALSE(p->Exists("empty.bin"));
    EXPECT_EQ(p->Write("b", "x", 1), 0u);
    EXPECT_EQ(p->AddFile("b", folder.Join("full.bin").c_str()), 0u);
    EXPECT_TRUE(p->Close());
    EXPECT_FALSE(p->Exists("full.bin"));
    EXPECT_EQ(p->Read("full.bin", &std::string(10, ' ')[0], 10), 0u);
}

TEST(ZipPack, TheDestructorFinishesAWriterAndClosesAReader) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("unclosed.skin");
    {
        Pack w = NewPack();
        ASSERT_TRUE(w->Open(path.c_str(), kPassword, IPack::ModeCreate));
        EXPECT_EQ(WriteText(w.get(), "left/open.txt", "still here"), 10u);
    }
    Pack r = NewPack();
    ASSERT_TRUE(r->Open(path.c_str(), kPassword, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(r.get(), "LEFT\\OPEN.TXT", 10), "still here");
    r.reset();
    // The reader's file is no longer held open.
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(ZipPack, WrongPasswordFailsAlsoOnStoredEntries) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("locked.skin");
    const std::string data = Pattern(2000, 6);
    ASSERT_TRUE(packfixtures::WriteZip(path, {{"deflated.bin", data}, {"stored.bin", data, true}},
                                       kPassword));
    Pack p = NewPack();
    ASSERT_TRUE(p->Open(path.c_str(), "not the password", IPack::ModeRead));
    // minizip does not check the password byte: only the CRC tells.
    EXPECT_EQ(ReadEntry(p.get(), "stored.bin", 2000), "");
    EXPECT_EQ(ReadEntry(p.get(), "deflated.bin", 2000), "");
    ASSERT_TRUE(p->Open(path.c_str(), nullptr, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(p.get(), "stored.bin", 2000), "");
    ASSERT_TRUE(p->Open(path.c_str(), kPassword, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(p.get(), "stored.bin", 2000), data);
    EXPECT_EQ(ReadEntry(p.get(), "deflated.bin", 2000), data);
}

TEST(ZipPack, ShortReadsAndCrcErrorsFail) {
    testsupport::TempFolder folder;
    std::string shortPath = folder.Join("short.skin");
    std::string crcPath = folder.Join("crc.skin");
    std::string data = Pattern(500, 7);
    data.replace(100, 16, "#damage-me-here#");
    ASSERT_TRUE(packfixtures::WriteZip(shortPath, {{"s.bin", data, true}}));
    ASSERT_TRUE(packfixtures::PatchCentralSize(shortPath, "s.bin", 800));
    ASSERT_TRUE(packfixtures::WriteZip(crcPath, {{"c.bin", data, true}}));
    ASSERT_TRUE(packfixtures::CorruptFirst(crcPath, "#damage-me-here#"));

    Pack p = NewPack();
    ASSERT_TRUE(p->Open(shortPath.c_str(), nullptr, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(p.get(), "s.bin", 800), "");
    ASSERT_TRUE(p->Open(crcPath.c_str(), nullptr, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(p.get(), "c.bin", 500), "");
    // The first bytes, before the damage, are still what they are.
    EXPECT_EQ(ReadEntry(p.get(), "c.bin", 50), data.substr(0, 50));
}

TEST(ZipPack, OverlongEntryNamesAreRefused) {
    testsupport::TempFolder folder;
    std::string path = folder.Join("names.skin");
    const std::string longest(259, 'B');
    const std::string tooLong(300, 'A');
    ASSERT_TRUE(packfixtures::WriteZip(
        path, {{tooLong, "long"}, {longest, "259"}, {"after.txt", "after"}}));

    Pack p = NewPack();
    ASSERT_TRUE(p->Open(path.c_str(), nullptr, IPack::ModeRead));
    EXPECT_FALSE(p->Exists(tooLong.c_str()));
    EXPECT_FALSE(p->Exists(tooLong.substr(0, 259).c_str()));
    EXPECT_FALSE(p->Exists(tooLong.substr(0, 260).c_str()));
    EXPECT_EQ(ReadEntry(p.get(), "after.txt", 5), "after");
    EXPECT_EQ(ReadEntry(p.get(), longest.c_str(), 3), "259");
    // A longer lookup name is cut to 259 characters first.
    EXPECT_EQ(ReadEntry(p.get(), (longest + "BBBB").c_str(), 3), "259");

    std::string written = folder.Join("written.skin");
    ASSERT_TRUE(p->Open(written.c_str(), nullptr, IPack::ModeCreate));
    EXPECT_EQ(WriteText(p.get(), std::string(260, 'C').c_str(), "x"), 0u);
    EXPECT_EQ(WriteText(p.get(), std::string(259, 'C').c_str(), "x"), 1u);
    EXPECT_TRUE(p->Close());
}

namespace {

// Drains the server end of a pipe so writes to the client end never block.
unsigned __stdcall DrainPipe(void* pipe) {
    char buf[4096];
    DWORD got;
    while (ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got) {
    }
    return 0;
}

}   // namespace

TEST(ZipPack, AFailedWriteIsReported) {
    // A pipe takes the entry's bytes but cannot seek back to finish its
    // header, so closing the entry fails.
    char name[64];
    snprintf(name, sizeof name, "\\\\.\\pipe\\fp_zip_%lu", GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                     1 << 16, 1 << 16, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    Pack p = NewPack();
    ASSERT_TRUE(p->Open(name, nullptr, IPack::ModeCreate));
    HANDLE drain = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, DrainPipe, server, 0, nullptr));
    ASSERT_NE(drain, nullptr);
    EXPECT_EQ(WriteText(p.get(), "entry.bin", Pattern(100, 8)), 0u);
    // The name stays taken: no second, half-written entry of it.
    EXPECT_EQ(WriteText(p.get(), "ENTRY.BIN", Pattern(100, 8)), 0u);
    p.reset();
    EXPECT_EQ(WaitForSingleObject(drain, 10000), WAIT_OBJECT_0);
    CloseHandle(drain);
    CloseHandle(server);
}

TEST(PackFormat, WritesPackForIndependentCheck) {
    // Written where the zipfile check asks (see tests/fixtures), else to a
    // temporary folder and read back here.
    testsupport::TempFolder folder;
    std::string path = testsupport::EnvVar("FP_PACK_CHECK_OUT");
    if (path.empty()) path = folder.Join("project.skin");
    {
        Pack w = NewPack();
        ASSERT_TRUE(w->Open(path.c_str(), kPassword, IPack::ModeCreate));
        EXPECT_EQ(WriteText(w.get(), "gui/a.png", Pattern(5000, 4)), 5000u);
        EXPECT_EQ(WriteText(w.get(), "Dir\\Index.xml", "<resources/>\n"), 13u);
        EXPECT_TRUE(w->Close());
    }
    Pack r = NewPack();
    ASSERT_TRUE(r->Open(path.c_str(), kPassword, IPack::ModeRead));
    EXPECT_EQ(ReadEntry(r.get(), "gui/a.png", 5000), Pattern(5000, 4));
}
