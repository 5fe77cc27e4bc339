#include "FaultVfs.h"

#include <QByteArray>
#include <atomic>
#include <cstring>
#include <mutex>
#include <sqlite3.h>

namespace reliability {

namespace {

struct State {
    std::mutex lock;
    QByteArray folder;  // empty: nothing is counted
    long failAfter = -1;
    long writes = 0;
    long failures = 0;
};

State& state()
{
    static State s;
    return s;
}

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

struct File {
    sqlite3_file base;   // must come first: SQLite sees a sqlite3_file
    bool watched;
    sqlite3_file* real;  // the real VFS's file, allocated right after this struct
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

int xClose(sqlite3_file* f)
{
    sqlite3_file* r = real(f);
    return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
}
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), b, n, o); }
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
{
    if (reinterpret_cast<File*>(f)->watched) {
        State& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        if (!s.folder.isEmpty()) {
            ++s.writes;
            if (s.failAfter >= 0 && s.writes > s.failAfter) {
                ++s.failures;
                return SQLITE_FULL;
            }
        }
    }
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }
int xSync(sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); }
int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); }
int xLock(sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); }
int xUnlock(sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int xShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out)
{
    return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) { return real(f)->pMethods->xShmLock(real(f), offset, n, flags); }
void xShmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int xShmUnmap(sqlite3_file* f, int deleteFlag) { return real(f)->pMethods->xShmUnmap(real(f), deleteFlag); }
int xFetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return real(f)->pMethods->xFetch(real(f), o, n, p); }
int xUnfetch(sqlite3_file* f, sqlite3_int64 o, void* p) { return real(f)->pMethods->xUnfetch(real(f), o, p); }

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    File* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->real->pMethods = nullptr;
    {
        State& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        file->watched = name && !s.folder.isEmpty() && std::strncmp(name, s.folder.constData(), s.folder.size()) == 0;
    }
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    // The methods are ours even when the open failed, so that SQLite's close reaches the real file.
    f->pMethods = &g_methods;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) { return g_real->xDelete(g_real, name, syncDir); }
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) { return g_real->xAccess(g_real, name, flags, out); }
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out) { return g_real->xFullPathname(g_real, name, n, out); }
void* xDlOpen(sqlite3_vfs*, const char* name) { return g_real->xDlOpen(g_real, name); }
void xDlError(sqlite3_vfs*, int n, char* msg) { g_real->xDlError(g_real, n, msg); }
void (*xDlSym(sqlite3_vfs*, void* h, const char* sym))(void) { return g_real->xDlSym(g_real, h, sym); }
void xDlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int xRandomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int xSleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int xCurrentTime(sqlite3_vfs*, double* t) { return g_real->xCurrentTime(g_real, t); }
int xGetLastError(sqlite3_vfs*, int n, char* out) { return g_real->xGetLastError(g_real, n, out); }
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) { return g_real->xCurrentTimeInt64(g_real, t); }

void install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_initialize();
        g_real = sqlite3_vfs_find(nullptr);
        g_methods = sqlite3_io_methods{3,        xClose,      xRead,           xWrite,      xTruncate, xSync,
                                       xFileSize, xLock,      xUnlock,         xCheckReservedLock, xFileControl,
                                       xSectorSize, xDeviceCharacteristics, xShmMap, xShmLock, xShmBarrier,
                                       xShmUnmap, xFetch,     xUnfetch};
        g_vfs = *g_real;
        g_vfs.iVersion = 2;
        g_vfs.szOsFile = static_cast<int>(sizeof(File)) + g_real->szOsFile;
        g_vfs.zName = "crew-write-faults";
        g_vfs.pNext = nullptr;
        g_vfs.xOpen = xOpen;
        g_vfs.xDelete = xDelete;
        g_vfs.xAccess = xAccess;
        g_vfs.xFullPathname = xFullPathname;
        g_vfs.xDlOpen = xDlOpen;
        g_vfs.xDlError = xDlError;
        g_vfs.xDlSym = xDlSym;
        g_vfs.xDlClose = xDlClose;
        g_vfs.xRandomness = xRandomness;
        g_vfs.xSleep = xSleep;
        g_vfs.xCurrentTime = xCurrentTime;
        g_vfs.xGetLastError = xGetLastError;
        g_vfs.xCurrentTimeInt64 = xCurrentTimeInt64;
        sqlite3_vfs_register(&g_vfs, 1);
    });
}

}  // namespace

void WriteFaults::Arm(const QString& folder, long failAfter)
{
    install();
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.folder = folder.toUtf8();
    s.failAfter = failAfter;
    s.writes = 0;
    s.failures = 0;
}

void WriteFaults::Disarm()
{
    State& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.folder.clear();
    s.failAfter = -1;
}

long WriteFaults::Writes()
{
    std::lock_guard<std::mutex> guard(state().lock);
    return state().writes;
}

long WriteFaults::Failures()
{
    std::lock_guard<std::mutex> guard(state().lock);
    return state().failures;
}

}  // namespace reliability
