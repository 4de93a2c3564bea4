// Fuzz target: a help file as the program opens it, through the reader
// program vantrel-chm-reader, which runs chmlib in a process of its own.
//
// Input: the bytes of a .chm file. Each input is written to a file and
// opened with ChmHelpFile::Open, which starts the real reader program on it
// and reads its stream, exactly as the help window does; chmlib is fuzzed
// inside that process (its crashes are the reader's, and must come back as
// "damaged"). This is slow, a process per input; the parsing after the pipe
// has its fast target of its own (chm_stream). Properties:
//  - whatever the file holds, this process lives on and the answer is
//    `Read` or `Damaged`, with a help file exactly when it is `Read`;
//  - the reader is always waited for: no child process is left behind;
//  - a help file that was read can be used as the window uses it.

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFolder.h"
#include "help/engine/ChmHelpFile.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace vantrel;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder folder("chm");
    const std::string file = (folder.path / "Vantrel.chm").string();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ChmReaderOptions reader;
    reader.Program = VANTREL_CHM_READER;
    const ChmHelpFileResult got = ChmHelpFile::Open(file, reader);
    FUZZ_CHECK(got.Status == ChmReadStatus::Read || got.Status == ChmReadStatus::Damaged);
    FUZZ_CHECK(got.File.has_value() == (got.Status == ChmReadStatus::Read));
    errno = 0;
    FUZZ_CHECK(::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD);
    if (got.File) {
        const ChmHelpFile& help = *got.File;
        FUZZ_CHECK(!help.DefaultTopic().empty() && help.DefaultTopic().front() == '/');
        help.Read(help.DefaultTopic());
        for (const IndexKeyword& k : help.Index()) {
            for (const std::string& topic : k.Topics) {
                help.Read(topic);
            }
        }
        help.FindKeyword("moon");
        help.TopicForContext(1000);
    }
    return 0;
}
