#include "TaskFixture.h"

#include "engine/core/WorkPath.h"
#include "support/ZipWriter.h"

#include <algorithm>

namespace taskfixture {

static void MakeParents(const std::string& path) {
    for (size_t i = 3; i < path.size(); ++i)
        if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

bool PutFile(const std::string& path, const std::string& bytes) {
    MakeParents(path);
    return testsupport::WriteWholeFile(path, bytes);
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    testsupport::ReadWholeFile(path, &bytes);
    return bytes;
}

bool MakeZip(const std::string& path,
             const std::vector<std::pair<std::string, std::string>>& entries, bool stored) {
    MakeParents(path);
    std::vector<testsupport::ZipEntry> files;
    for (const auto& entry : entries) files.push_back({entry.first, entry.second, stored});
    return testsupport::WriteZip(path, files);
}

static void ListInto(const std::string& base, const std::string& relative,
                     std::vector<std::string>* out) {
    WIN32_FIND_DATAA data;
    std::string pattern = base + (relative.empty() ? "" : "\\" + relative) + "\\*";
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = relative.empty() ? name : relative + "\\" + name;
        out->push_back(path);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListInto(base, path, out);
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

std::vector<std::string> ListTree(const std::string& folder) {
    std::vector<std::string> out;
    ListInto(folder, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

// ----------------------------------------------------------- publishing --

std::vector<ListedFile> PublishedUpdate::DemoFiles(const std::string& game) {
    std::string text = "0123456789";
    return {
        {game, "c.dat", servers::Pattern(3000, 42)},
        {game + "\\data", "a.txt", text},
        {game + "\\data\\sub", "b.bin", ""},
    };
}

namespace {

struct DirNode {
    std::string name;
    std::vector<const ListedFile*> files;
    std::vector<std::unique_ptr<DirNode>> children;

    DirNode* Child(const std::string& childName) {
        for (auto& child : children)
            if (child->name == childName) return child.get();
        children.emplace_back(new DirNode{childName, {}, {}});
        return children.back().get();
    }
};

void Emit(const DirNode& node, const std::map<std::string, int64_t>& zipSizes,
          const std::string& path, std::string* xml) {
    *xml += "<Directory Name=\"" + node.name + "\">\n";
    for (const ListedFile* file : node.files) {
        auto size = zipSizes.find(path + "\\" + file->name);
        *xml += "  <File Name=\"" + file->name + "\" Size=\"" +
                std::to_string(file->content.size()) + "\" ZipSize=\"" +
                std::to_string(size == zipSizes.end() ? 0 : size->second) + "\" MD5=\"" +
                Md5Hex(file->content) + "\"/>\n";
    }
    for (const auto& child : node.children) Emit(*child, zipSizes, path + "\\" + child->name, xml);
    *xml += "</Directory>\n";
}

}   // namespace

std::string PublishedUpdate::ListXmlFor(const std::string& displayName, const std::string& topDir,
                                        const std::vector<ListedFile>& files,
                                        const std::map<std::string, int64_t>& zipSizes) {
    DirNode top{topDir, {}, {}};
    for (const ListedFile& file : files) {
        DirNode* node = &top;
        std::string rest = file.folder.substr(std::min(file.folder.size(), topDir.size()));
        size_t start = 0;
        while (start < rest.size()) {
            if (rest[start] == '\\') {
                ++start;
                continue;
            }
            size_t end = rest.find('\\', start);
            if (end == std::string::npos) end = rest.size();
            node = node->Child(rest.substr(start, end - start));
            start = end;
        }
        node->files.push_back(&file);
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<UpdateList Name=\"" +
                      displayName + "\">\n";
    Emit(top, zipSizes, topDir, &xml);
    xml += "</UpdateList>\n";
    return xml;
}

bool PublishedUpdate::PublishGame(const servers::ServedFolder& served, const std::string& game,
                                  const std::vector<ListedFile>& files,
                                  const std::string& displayName) {
    std::map<std::string, int64_t> zipSizes;
    zipSizeSum_ = 0;
    for (const ListedFile& file : files) {
        std::string relative = "Update\\Games\\" + file.folder + "\\" + file.name + ".zip";
        std::string path = served.Path() + "\\" + relative;
        if (!MakeZip(path, {{file.name, file.content}})) return false;
        archives_[relative] = ReadFile(path);
        zipSizes[file.folder + "\\" + file.name] = int64_t(archives_[relative].size());
        zipSizeSum_ += int64_t(archives_[relative].size());
    }
    listXml_ = ListXmlFor(displayName, game, files, zipSizes);
    return PutFile(served.Path() + "\\Update\\Games\\" + game + "\\" + game + ".xml", listXml_);
}

bool PublishedUpdate::PublishLobby(const servers::ServedFolder& served,
                                   const std::vector<ListedFile>& files) {
    std::map<std::string, int64_t> zipSizes;
    zipSizeSum_ = 0;
    for (const ListedFile& file : files) {
        // The top directory "Lobby" is the lobby's own folder.
        std::string below = file.folder == "Lobby" ? "" : file.folder.substr(6) + "\\";
        std::string relative = "Update\\Lobby\\" + below + file.name + ".zip";
        std::string path = served.Path() + "\\" + relative;
        if (!MakeZip(path, {{file.name, file.content}})) return false;
        archives_[relative] = ReadFile(path);
        zipSizes[file.folder + "\\" + file.name] = int64_t(archives_[relative].size());
        zipSizeSum_ += int64_t(archives_[relative].size());
    }
    listXml_ = ListXmlFor("Lobby", "Lobby", files, zipSizes);
    return MakeZip(served.Path() + "\\Update\\Lobby\\Lobby.xml.zip", {{"Lobby.xml", listXml_}});
}

// -------------------------------------------------------------- receiver --

namespace {
const char kReceiverClass[] = "FetchpaneTaskTestReceiver";
}

Receiver::Receiver() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Receiver::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kReceiverClass;
    RegisterClassA(&wc);   // a second registration fails harmlessly
    // Under wine without a display, a message-only window sometimes can't be
    // made (error 1400) while many processes start at once; a display
    // (tools/test provides one) avoids that. A short wait covers a slow start.
    for (int attempt = 0; attempt < 20 && !hwnd_; ++attempt) {
        hwnd_ = CreateWindowExA(0, kReceiverClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        if (!hwnd_) Sleep(50);
    }
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Receiver::~Receiver() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK Receiver::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Receiver* self = reinterpret_cast<Receiver*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && message >= WM_TASK_DOWNLOAD_BEGIN && message <= WM_TASK_CHECK_END) {
        // Messages dispatched by the drain below run inside the send too.
        const bool sent = InSendMessage() != FALSE && !self->draining_;
        if (sent) {
            self->draining_ = true;
            // Sent messages overtake posted ones. The worker waits in this
            // send, so what it posted before is queued now: handle that
            // first, and the record keeps the order the task issued them.
            MSG queued;
            while (
                PeekMessageA(&queued, hwnd, WM_TASK_DOWNLOAD_BEGIN, WM_TASK_CHECK_END, PM_REMOVE))
                DispatchMessageA(&queued);
            self->draining_ = false;
        }
        Recorded record{message, wParam, lParam, sent, 0, 0.0f};
        if (wParam && (record.sent || self->readItems)) {
            const DownloadItem* item = reinterpret_cast<const DownloadItem*>(wParam);
            record.state = item->State();
            record.fraction = item->fraction.load();
        }
        self->messages_.push_back(record);
        if (self->handleDelayMs) Sleep(self->handleDelayMs);
        if (self->onMessage) self->onMessage(record);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool Receiver::HasOutcome() const {
    for (const Recorded& r : messages_)
        if (r.message == WM_TASK_FINISHED || r.message == WM_TASK_FAILED) return true;
    return false;
}

size_t Receiver::Count(UINT message, bool sent) const {
    size_t n = 0;
    for (const Recorded& r : messages_)
        if (r.message == message && r.sent == sent) ++n;
    return n;
}

std::string Receiver::Sequence() const {
    std::string out;
    std::string last;
    for (const Recorded& r : messages_) {
        std::string token;
        switch (r.message) {
        case WM_TASK_PROGRESS: token = r.sent ? "S" + std::to_string(r.state) : "P"; break;
        case WM_TASK_CHECK_BEGIN: token = "CB"; break;
        case WM_TASK_CHECK_PROGRESS: token = "CP"; break;
        case WM_TASK_CHECK_END: token = "CE"; break;
        case WM_TASK_DOWNLOAD_BEGIN: token = "DB"; break;
        case WM_TASK_DOWNLOAD_END: token = "DE"; break;
        case WM_TASK_FINISHED: token = "F"; break;
        case WM_TASK_FAILED: token = "X" + std::to_string(r.lParam); break;
        }
        // Progress posts are paced, so only their run is recorded.
        if (token == "P" || token == "CP") {
            if (last == token + "+") continue;
            token += "+";
        }
        // A state send that timed out on a busy machine is sent again.
        if (r.sent && token == last) continue;
        if (!out.empty()) out += ' ';
        out += token;
        last = token;
    }
    return out;
}

// ------------------------------------------------------------ work folder --

WorkFolder::WorkFolder() {
    root_ = temp_.Join("root");
    CreateDirectoryA(root_.c_str(), nullptr);
    Nuvex::SetWorkPath(root_.c_str());
}

WorkFolder::~WorkFolder() { Nuvex::SetWorkPath(nullptr); }

std::vector<std::string> WorkFolder::OutsideRoot() const {
    std::vector<std::string> out;
    for (const std::string& entry : ListTree(temp_.Path()))
        if (entry != "root" && entry.compare(0, 5, "root\\") != 0) out.push_back(entry);
    return out;
}

bool RunToOutcome(UpdateTask& task, Receiver& receiver, DWORD timeoutMs) {
    if (!task.Start()) return false;
    return testsupport::PumpUntil([&] { return receiver.HasOutcome(); }, timeoutMs);
}

}   // namespace taskfixture
