#pragma once
// What the update-task tests share: update lists and archives published on
// the local test servers, a fresh work folder, and a message-only receiver
// window that records every task message.
#include "TestServers.h"
#include "support/Md5Hex.h"
#include "update/DownloadItem.h"
#include "update/UpdateTask.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace taskfixture {

using testsupport::Md5Hex;

// The task messages of a whole run that fetches files, and of one that
// finds the install current.
constexpr char kFullRun[] = "S32 S33 S34 CB CP+ CE S35 DB P+ DE S36 F";
constexpr char kNothingToFetch[] = "S32 S33 S34 CB CP+ CE S35 DB DE S36 F";

// A zip archive at `path` holding the given entries (name → bytes), made
// with the folders on its way. `stored`: no compression.
bool MakeZip(const std::string& path,
             const std::vector<std::pair<std::string, std::string>>& entries, bool stored = false);
bool PutFile(const std::string& path, const std::string& bytes);   // with its folders
std::string ReadFile(const std::string& path);
// Every file and folder below `folder`, relative, '\'-separated, sorted.
std::vector<std::string> ListTree(const std::string& folder);

// One file of an update list: its list folder path ("Demo\data") and name.
struct ListedFile {
    std::string folder;
    std::string name;
    std::string content;
};

// An update list and its archives, published below a served folder in the
// server layout (Update/Games/<game>/..., Update/Lobby/...).
class PublishedUpdate {
public:
    // A game named `game` whose files lie in `files` (folders below the
    // game's own top directory, which is named after the game).
    static std::vector<ListedFile> DemoFiles(const std::string& game);

    // Writes the list and one archive per file; false on a write failure.
    bool PublishGame(const servers::ServedFolder& served, const std::string& game,
                     const std::vector<ListedFile>& files,
                     const std::string& displayName = "Demo Game");
    bool PublishLobby(const servers::ServedFolder& served, const std::vector<ListedFile>& files);

    // The list's XML text as published, and the bytes of each archive.
    const std::string& ListXml() const { return listXml_; }
    int64_t ZipSizeSum() const { return zipSizeSum_; }
    const std::map<std::string, std::string>& Archives() const { return archives_; }

    static std::string ListXmlFor(const std::string& displayName, const std::string& topDir,
                                  const std::vector<ListedFile>& files,
                                  const std::map<std::string, int64_t>& zipSizes);

private:
    std::string listXml_;
    int64_t zipSizeSum_ = 0;
    std::map<std::string, std::string> archives_;   // path below Update\ → archive bytes
};

// One recorded task message.
struct Recorded {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool sent;
    int state;   // the item's state when it arrived
    float fraction;
};

// A message-only window on the calling thread that records task messages.
class Receiver {
public:
    Receiver();
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    HWND Handle() const { return hwnd_; }
    const std::vector<Recorded>& Messages() const { return messages_; }
    bool HasOutcome() const;
    // Called after each message is recorded (on the receiver's thread).
    std::function<void(const Recorded&)> onMessage;
    // Slows the handling of each message.
    DWORD handleDelayMs = 0;
    // Whether posted messages read their item (off once a test frees it).
    bool readItems = true;

    // Tokens: S<n> sent state, P+ a run of one or more posted progress,
    // CB CP+ CE check begin/progress (paced, so only the run)/end, DB DE download begin/end, F
    // finished, X<n> failed with state n. A state sent twice in a row (a
    // send that timed out on a busy machine is repeated) shows once.
    std::string Sequence() const;
    size_t Count(UINT message, bool sent) const;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    std::vector<Recorded> messages_;
    bool draining_ = false;
};

// A fresh work folder: <temp>\root, so that anything written beside the
// root (outside it) can be seen in <temp>.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    const std::string& Root() const { return root_; }
    std::string Join(const std::string& relative) const { return root_ + "\\" + relative; }
    // Everything in the temporary folder that is not the root.
    std::vector<std::string> OutsideRoot() const;

private:
    testsupport::TempFolder temp_;
    std::string root_;
};

// Runs a task to its outcome (or `timeoutMs`), pumping the receiver.
bool RunToOutcome(UpdateTask& task, Receiver& receiver, DWORD timeoutMs = 20000);

// A task and its item, as the panel makes them.
struct TaskUnderTest {
    std::unique_ptr<DownloadItem> item{new DownloadItem};
    std::unique_ptr<UpdateTask> task{new UpdateTask};
    TaskUnderTest() {
        item->task = task.get();
        item->fraction.store(0.01f);
    }
    ~TaskUnderTest() {
        if (task) task->Cancel();
    }
};

}   // namespace taskfixture
