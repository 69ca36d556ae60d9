#pragma once
// What an update task, its working core and its host share: the kinds of
// task, the host's server records and the service type of a server URL.
#include <cstddef>
#include <cstdint>

enum TaskKind : int32_t {
    TASK_KIND_LOBBY = 0,   // the lobby itself, installed into the work folder
    TASK_KIND_GAME = 2,    // one game, installed under "Games"
    // Any other kind fetches, checks and downloads but installs nothing.
};

// One record of the host's server list. Only the group and the URL are
// read; the URL is read as the character pointer that the host's string
// object holds, and copied at once.
struct ServerRecord {
    int32_t unused0;
    int32_t group;
    const char* unusedText;
    const char* url;
};

// The host's vector of records: the second word points to the first record,
// the third just past the last.
struct HostRecordVector {
    void* unused0;
    const ServerRecord* first;
    const ServerRecord* last;
    void* unused3;
};

#if defined(__i386__)
static_assert(sizeof(ServerRecord) == 16, "the host's server record is 16 bytes");
static_assert(offsetof(ServerRecord, group) == 4 && offsetof(ServerRecord, url) == 12,
              "the host's server record layout");
static_assert(offsetof(HostRecordVector, first) == 4 && offsetof(HostRecordVector, last) == 8,
              "the host's vector layout");
#endif

// The number of whole records the host's vector holds from `first` on.
size_t WholeRecordCount(const HostRecordVector* records);

// Whether a record's URL holds a control byte (platform/InternetUrl.h): the
// host's list is then refused as a whole.
bool AnyServerUrlHoldsControlByte(const HostRecordVector* records);

// The URL's service type (platform/InternetUrl.h numbering); a URL that
// can't be split counts as FTP (1).
unsigned ServiceTypeOf(const char* url);
