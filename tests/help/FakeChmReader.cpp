// A stand-in for vantrel-chm-reader that misbehaves on purpose, for the tests
// of the help engine's reading path. The first word of the file it is given
// says what it does:
//
//   hang          never ends
//   close-hang    closes its output, then never ends
//   crash         dies of a segmentation fault
//   exit N        exits with status N, writing nothing
//   garbage       writes bytes that are no stream, exits 0
//   cut           writes half an object, exits 0
//   extra         writes a whole stream and more after it, exits 0
//   flood         writes without end
//   empty         writes a whole stream of no objects, exits 0
//   descriptors   writes one object "/fds" naming every descriptor it has
//                 besides 0, 1 and 2, exits 0

#include "help/engine/ChmObjectStream.h"

#include <dirent.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void Write(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void WriteObject(const std::string& path, const std::string& data) {
    Write(vantrel::ChmObjectRecord(path, data));
    Write(data);
}

[[noreturn]] void Hang() {
    for (;;) {
        pause();
    }
}

std::string OtherDescriptors() {
    std::string list;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return "no /proc/self/fd";
    }
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        const int fd = std::atoi(e->d_name);
        if (e->d_name[0] != '.' && fd > 2 && fd != own) {
            list += std::string(e->d_name) + " ";
        }
    }
    closedir(dir);
    return list;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return vantrel::kChmReaderUsage;
    }
    std::string word;
    int number = 0;
    std::ifstream(argv[1]) >> word >> number;
    if (word == "hang") {
        Hang();
    }
    if (word == "close-hang") {
        std::fclose(stdout);
        Hang();
    }
    if (word == "crash") {
        std::raise(SIGSEGV);
    }
    if (word == "exit") {
        return number;
    }
    Write(std::string(vantrel::kChmStreamMagic));
    if (word == "garbage") {
        Write("O\xff\xff\xff\xff/index.htm and whatever else");
    } else if (word == "cut") {
        Write(vantrel::ChmObjectRecord("/index.htm", std::string(100, 'x')));
        Write(std::string(50, 'x'));
    } else if (word == "extra") {
        WriteObject("/index.htm", "<html></html>");
        Write(vantrel::ChmEndRecord(1, 13));
        Write("more");
    } else if (word == "flood") {
        const std::string block(std::size_t{64} * 1024, 'f');
        for (;;) {
            Write(block);
        }
    } else if (word == "empty") {
        Write(vantrel::ChmEndRecord(0, 0));
    } else if (word == "descriptors") {
        const std::string list = OtherDescriptors();
        WriteObject("/fds", list);
        Write(vantrel::ChmEndRecord(1, list.size()));
    } else {
        return vantrel::kChmReaderUsage;
    }
    std::fflush(stdout);
    return vantrel::kChmReaderRead;
}
