// vantrel-chm-reader: reads one compiled HTML help file with chmlib and
// writes all its objects to the standard output in the stream of
// help/engine/ChmObjectStream.h, then exits 0; any other exit (a status of
// ChmReaderExit or a signal) means the file could not be read.
//
// chmlib trusts the numbers inside a help file: a damaged file can make it
// write out of bounds, divide by zero or follow a bad pointer. It therefore
// runs only here, in a process of its own that the help engine starts for
// each help file it opens, so that a damaged file costs this process alone.
//
// Usage: vantrel-chm-reader FILE.chm

#include "help/engine/ChmObjectStream.h"

#include <chm_lib.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using vantrel::ChmReaderExit;

/// Address space the reader may use, bytes: the largest object twice over
/// and chmlib's caches fit many times.
constexpr rlim_t kAddressSpaceBytes = 1024ULL * 1024 * 1024;

void Lower(int resource, rlim_t limit) {
    rlimit current{};
    if (getrlimit(resource, &current) == 0 &&
        (current.rlim_cur == RLIM_INFINITY || current.rlim_cur > limit)) {
        current.rlim_cur = limit;
        setrlimit(resource, &current);
    }
}

/// A damaged file leaves no core dump in the user's folder and cannot make
/// the reader take the machine's memory.
void LimitThisProcess() {
    Lower(RLIMIT_CORE, 0);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of shadow address space: a build
    // with it keeps its own guard on memory instead.
    Lower(RLIMIT_AS, kAddressSpaceBytes);
#endif
}

struct Units {
    std::vector<chmUnitInfo> List;
    bool TooMany = false;
};

int Collect(chmFile*, chmUnitInfo* ui, void* context) {
    auto* units = static_cast<Units*>(context);
    if (units->List.size() >= vantrel::kChmMaxObjects) {
        units->TooMany = true;
        return CHM_ENUMERATOR_SUCCESS; // stops the enumeration
    }
    units->List.push_back(*ui);
    return CHM_ENUMERATOR_CONTINUE;
}

bool Write(const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

ChmReaderExit Run(const char* path) {
    // chm_open cannot tell a missing file from a damaged one.
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return vantrel::kChmReaderCannotOpen;
    }
    struct stat st {};
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    if (!regular) {
        return vantrel::kChmReaderCannotOpen;
    }

    chmFile* file = chm_open(path);
    if (file == nullptr) {
        return vantrel::kChmReaderNotHelpFile;
    }
    Units units;
    // Pages and pictures, and the "/#SYSTEM", "/#IVB" and "/#STRINGS" tables
    // of the project; not the storage meta data ("::DataSpace/...").
    if (chm_enumerate(file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES,
                      &Collect, &units) == 0 &&
        units.List.empty()) {
        return vantrel::kChmReaderNotHelpFile;
    }
    if (units.TooMany) {
        return vantrel::kChmReaderTooLarge;
    }

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    if (!Write(std::string(vantrel::kChmStreamMagic))) {
        return vantrel::kChmReaderWriteFailed;
    }
    std::uint64_t count = 0;
    std::uint64_t totalBytes = 0;
    std::string data;
    for (chmUnitInfo& ui : units.List) {
        const std::string objectPath(ui.path);
        // An object that is too large or cannot be read to its end is left
        // out: the help window then says that the page is missing.
        if (objectPath.empty() || objectPath.front() != '/' ||
            ui.length > vantrel::kChmMaxObjectBytes) {
            continue;
        }
        if (ui.length > vantrel::kChmMaxArchiveBytes - totalBytes) {
            return vantrel::kChmReaderTooLarge;
        }
        data.assign(static_cast<std::size_t>(ui.length), '\0');
        if (ui.length > 0 &&
            chm_retrieve_object(file, &ui, reinterpret_cast<unsigned char*>(data.data()), 0,
                                static_cast<LONGINT64>(ui.length)) !=
                static_cast<LONGINT64>(ui.length)) {
            continue;
        }
        if (!Write(vantrel::ChmObjectRecord(objectPath, data)) || !Write(data)) {
            return vantrel::kChmReaderWriteFailed;
        }
        ++count;
        totalBytes += ui.length;
    }
    if (!Write(vantrel::ChmEndRecord(count, totalBytes)) || std::fflush(stdout) != 0) {
        return vantrel::kChmReaderWriteFailed;
    }
    // The file is not closed: the process ends here, and a damaged file
    // could still make chm_close fail after a whole stream was written.
    return vantrel::kChmReaderRead;
}

} // namespace

int main(int argc, char** argv) {
    LimitThisProcess();
    if (argc != 2) {
        std::fputs("usage: vantrel-chm-reader FILE.chm\n", stderr);
        return vantrel::kChmReaderUsage;
    }
    std::_Exit(Run(argv[1]));
}
