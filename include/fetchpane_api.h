/*
 * Fetchpane: the download panel as a host sees it.
 *
 * A host loads Fetchpane.dll, binds its three exports by name and drives the
 * panel through the interface object that PanelInterfaceCreate returns:
 *
 *   PanelModelInit()                          once, before anything else
 *   p = PanelInterfaceCreate()
 *   p->Create(title, hostWindow, 0, root)     the panel window (hidden)
 *   p->Show(1); p->AddUpdateTask(url, name, PANEL_KIND_GAME); ...
 *   ... WM_PANEL_NOTIFY arrives at hostWindow for every outcome ...
 *   p->Release()
 *   PanelModelExit()
 *
 * Everything runs on the host's UI thread, which must dispatch messages.
 *
 * Under the loader lock (in the host's own DllMain: a plug-in that owns the
 * panel, say, as it is freed) a host may tear the panel down, and nothing
 * more: Release and PanelModelExit, Destroy, or PanelModelExit alone, then
 * FreeLibrary. No thread can start or end while the lock is held, so the
 * module waits for no thread's end there: a panel costs at most half a
 * second for its downloads to stop and half a second for its frame thread.
 * Those threads hold the module and end by themselves once the lock is
 * released; the last of them unloads it. Start nothing there
 * (PanelModelInit, Create, Show, the add slots): the threads that needs
 * could not run. At the process's end (DLL_PROCESS_DETACH with a non-NULL
 * reserved) call nothing of the module: its other threads are gone.
 *
 * Text is in the ANSI code page (GBK). The interface is called by slot
 * position: C++ hosts use the class IPanelInterface, C hosts (and hosts that
 * bind by hand) the table IPanelInterfaceVtbl. On 32-bit x86 every slot
 * takes the object in ECX and pops its own arguments (thiscall).
 */
#ifndef FETCHPANE_API_H
#define FETCHPANE_API_H
/* clang-format off */

#include <stddef.h>
#include <windows.h>

#if defined(_M_IX86) || defined(__i386__)
#define FETCHPANE_THISCALL __thiscall
#else
#define FETCHPANE_THISCALL
#endif

/* ---- notifications ---------------------------------------------------- */

/* Sent (SendMessage) to the host window: wParam = the panel window,
 * lParam = const PanelNotifyRecord*. The record and its text live only for
 * the call: copy what you keep. */
#define WM_PANEL_NOTIFY 0x2400

enum PanelNotifyCode {
    PANEL_NOTIFY_TITLEBAR = 0x6001,     /* minimise or close pressed; arg 0, text NULL */
    PANEL_NOTIFY_FINISHED = 0x6002,     /* arg = items left, text = the item's name */
    PANEL_NOTIFY_CANCELLED = 0x6003,    /* arg = items left, text = the item's name */
    PANEL_NOTIFY_FAILED = 0x6004,       /* arg = state << 16 | items left, text = the name */
    PANEL_NOTIFY_ALL_CANCELLED = 0x6005 /* arg 0, text NULL */
};

typedef struct PanelNotifyRecord {
    int code; /* a PanelNotifyCode */
    int arg;
    const char* text; /* NULL or at most 259 characters */
} PanelNotifyRecord;

/* PANEL_NOTIFY_FAILED's arg: the state the download failed in, and the
 * number of downloads still listed. */
#define PANEL_FAILED_STATE(arg) ((int)(((unsigned)(arg) >> 16) & 0xFFFFu))
#define PANEL_FAILED_ITEMS_LEFT(arg) ((int)((unsigned)(arg)&0xFFFFu))

/* The states a download goes through (and fails in). */
enum PanelTaskState {
    PANEL_STATE_CONNECTING = 32,  /* finding a server that answers */
    PANEL_STATE_LIST = 33,        /* fetching the update list */
    PANEL_STATE_CHECKING = 34,    /* comparing the local files with it */
    PANEL_STATE_DOWNLOADING = 35, /* fetching the changed files */
    PANEL_STATE_INSTALLING = 36   /* unpacking them */
};

/* ---- what to download ------------------------------------------------- */

enum PanelKind {
    PANEL_KIND_LOBBY = 0, /* the lobby itself, into the root folder */
    PANEL_KIND_GAME = 2   /* one game, into <root>\Games\<name> */
};

/* One update server for AddUpdateTaskByServers. Servers of the requested
 * group are tried first, then the others. Only group and url are read; url
 * is copied at once. */
typedef struct PanelServerRecord {
    int reserved0;
    int group;
    const char* reserved1;
    const char* url;
} PanelServerRecord;

/* The list of servers: [first, last) with last one past the end. */
typedef struct PanelServerList {
    void* reserved0;
    const PanelServerRecord* first;
    const PanelServerRecord* last;
    void* reserved1;
} PanelServerList;

/* The largest width or height Move takes, whatever the screens: the
 * window's pixels at 8192 x 8192 are 256 MB, as much as a 32-bit host
 * should be asked for. They are held only while the window is that large,
 * and a frame draws no more of them than the screens show. */
#define PANEL_MAX_WINDOW_SIZE 8192

/* ---- the interface object --------------------------------------------- */

#ifdef __cplusplus
class IPanelInterface {
public:
    /* 0: cancels every download, then frees the object (slot 12). */
    virtual void FETCHPANE_THISCALL Release() = 0;
    /* 1: the 600 x 200 panel window, a popup owned by host and hidden until
     * Show; root is the folder downloads install under (NULL or "": the
     * module's folder). NULL when a window exists or none could be made. */
    virtual HWND FETCHPANE_THISCALL Create(const char* title, HWND host, int unused,
                                           const char* root) = 0;
    /* 2 */
    virtual HWND FETCHPANE_THISCALL GetWindow() = 0;
    /* 3: destroys the window (and its downloads); 0 without one. */
    virtual int FETCHPANE_THISCALL Destroy(int unused) = 0;
    /* 4: 0 without a window, for a negative size, for a width or height
     * above PANEL_MAX_WINDOW_SIZE, and when the window's pixels can't be
     * made at that size (the window then stays as it was). */
    virtual int FETCHPANE_THISCALL Move(int x, int y, int w, int h) = 0;
    /* 5 */
    virtual int FETCHPANE_THISCALL Show(int show) = 0;
    /* 6: keeps at most 255 bytes; 0 for NULL or "". */
    virtual int FETCHPANE_THISCALL SetText(const char* text) = 0;
    /* 7: NULL while no text is kept. */
    virtual const char* FETCHPANE_THISCALL GetText() = 0;
    /* 8: always 0. */
    virtual int FETCHPANE_THISCALL Spare() = 0;
    /* 9: shows the window where it stands (x, y and other are not used). */
    virtual int FETCHPANE_THISCALL ShowAt(int x, int y, IPanelInterface* other) = 0;
    /* 10: 1 when listed (at most three at a time), else 0; 0 also when any
     * record's url holds a control byte (0x00-0x1F, 0x7F). */
    virtual int FETCHPANE_THISCALL AddUpdateTaskByServers(const PanelServerList* servers, int group,
                                                          const char* name, int kind) = 0;
    /* 11: 1 when listed (at most three at a time), else 0; 0 also when url
     * holds a control byte (0x00-0x1F, 0x7F). */
    virtual int FETCHPANE_THISCALL AddUpdateTask(const char* url, const char* name, int kind) = 0;
    /* 12: frees the object when bit 0 of flags is set. Hosts call Release. */
    virtual void* FETCHPANE_THISCALL DeletingDestructor(unsigned flags) = 0;

protected:
    /* Not virtual, so slot 12 stays the last slot. */
    ~IPanelInterface() {}
};
#else
typedef struct IPanelInterface {
    const struct IPanelInterfaceVtbl* lpVtbl;
} IPanelInterface;
#endif

/* The slots in order, for C hosts and for binding by hand. */
typedef struct IPanelInterfaceVtbl {
    void        (FETCHPANE_THISCALL *Release)(IPanelInterface* self);
    HWND        (FETCHPANE_THISCALL *Create)(IPanelInterface* self, const char* title, HWND host,
                                             int unused, const char* root);
    HWND        (FETCHPANE_THISCALL *GetWindow)(IPanelInterface* self);
    int         (FETCHPANE_THISCALL *Destroy)(IPanelInterface* self, int unused);
    int         (FETCHPANE_THISCALL *Move)(IPanelInterface* self, int x, int y, int w, int h);
    int         (FETCHPANE_THISCALL *Show)(IPanelInterface* self, int show);
    int         (FETCHPANE_THISCALL *SetText)(IPanelInterface* self, const char* text);
    const char* (FETCHPANE_THISCALL *GetText)(IPanelInterface* self);
    int         (FETCHPANE_THISCALL *Spare)(IPanelInterface* self);
    int         (FETCHPANE_THISCALL *ShowAt)(IPanelInterface* self, int x, int y,
                                             IPanelInterface* other);
    int         (FETCHPANE_THISCALL *AddUpdateTaskByServers)(IPanelInterface* self,
                                                             const PanelServerList* servers,
                                                             int group, const char* name, int kind);
    int         (FETCHPANE_THISCALL *AddUpdateTask)(IPanelInterface* self, const char* url,
                                                    const char* name, int kind);
    void*       (FETCHPANE_THISCALL *DeletingDestructor)(IPanelInterface* self, unsigned flags);
} IPanelInterfaceVtbl;

/* The table of an object, in C and in C++. */
#define PANEL_VTBL(p) (*(const IPanelInterfaceVtbl* const*)(p))

/* ---- the exports (bind with GetProcAddress by these names) -------------- */

typedef int (__cdecl *PanelModelInitFn)(void);                     /* 1 started, 0 failed */
typedef int (__cdecl *PanelModelExitFn)(void);                     /* always 1 */
typedef IPanelInterface* (__cdecl *PanelInterfaceCreateFn)(void);  /* NULL: out of memory */

/* ---- the 32-bit layout hosts rely on ------------------------------------ */

#if defined(__cplusplus) && (__cplusplus >= 201103L || (defined(_MSC_VER) && _MSC_VER >= 1600))
#define FETCHPANE_CHECK(name, condition) static_assert(condition, #name)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define FETCHPANE_CHECK(name, condition) _Static_assert(condition, #name)
#else
#define FETCHPANE_CHECK(name, condition) typedef char fetchpane_check_##name[(condition) ? 1 : -1]
#endif
FETCHPANE_CHECK(notify_record, sizeof(PanelNotifyRecord) == 8 + sizeof(void*));
FETCHPANE_CHECK(server_record, sizeof(PanelServerRecord) == 8 + 2 * sizeof(void*));
FETCHPANE_CHECK(server_url, offsetof(PanelServerRecord, url) == 8 + sizeof(void*));
FETCHPANE_CHECK(server_list, offsetof(PanelServerList, first) == sizeof(void*) &&
                                 offsetof(PanelServerList, last) == 2 * sizeof(void*));
FETCHPANE_CHECK(slots, sizeof(IPanelInterfaceVtbl) == 13 * sizeof(void*));
#if defined(_M_IX86) || defined(__i386__)
FETCHPANE_CHECK(notify_record_i686, sizeof(PanelNotifyRecord) == 12);
FETCHPANE_CHECK(server_record_i686, sizeof(PanelServerRecord) == 16);
FETCHPANE_CHECK(slots_i686, sizeof(IPanelInterfaceVtbl) == 52);
#endif
#undef FETCHPANE_CHECK

/* clang-format on */
#endif /* FETCHPANE_API_H */
