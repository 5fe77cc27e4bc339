// The layers stand on each other in one order, and each is one library that links only those below
// it: a file may include its own layer and the layers below, never one above. Every #include "..."
// under src/ and tools/ is read and each one that points up the stack is named with its file and line
// (a conversion that includes the driver is one of them).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// From the ground up, as folders of the repository. A file belongs to the longest entry its path
// starts with.
const std::vector<std::string> kStack = {
    "product",          // the schemas, compiled into headers at configure time
    "src/db",           // the DAO-style layer over SQLite
    "src/jet",          // the Jet file format: header, copy of a source through the reader, writer
    "src/run",          // one run: state, operator, log, progress, counting, traps
    "src/common",       // lookups, SQL-text helpers, the clock
    "src/convert",      // the conversions
    "src/import",       // the driver
    "src/wizard",       // start-up, host settings, target checks
    "src/ui",           // the widgets
    "src/cli",          // reading a command line, for every program
    "src/app",          // crew-import
    "tools/mp2sample",  // the MP2 sample generator
    "tools",            // the command-line tools
    "src/jet/reader",   // crew-jet-reader, the only program with libmdb: nothing includes it
};

// Where an include that is not beside its file is looked up, as the build's include directories.
const std::vector<std::string> kIncludeRoots = {"src", "tools"};

std::optional<size_t> LayerOf(const std::string& path)
{
    std::optional<size_t> best;
    for (size_t i = 0; i < kStack.size(); ++i) {
        const std::string& folder = kStack[i];
        const bool inside = path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '/';
        if (inside && (!best || folder.size() > kStack[*best].size()))
            best = i;
    }
    return best;
}

std::string Relative(const fs::path& path, const fs::path& root)
{
    return path.lexically_normal().lexically_relative(root).generic_string();
}

// The repository file an include names: beside the includer, then under each include root. A schema
// header "product/NAME_sql.h" is generated from product/NAME.sql.
std::optional<std::string> Resolve(const fs::path& root, const fs::path& includer, const std::string& name)
{
    std::vector<fs::path> candidates = {includer.parent_path() / name};
    for (const std::string& dir : kIncludeRoots)
        candidates.push_back(root / dir / name);
    const std::regex schema(R"(product/(\w+)_sql\.h)");
    std::smatch m;
    if (std::regex_match(name, m, schema))
        candidates.push_back(root / "product" / (m[1].str() + ".sql"));
    for (const fs::path& c : candidates)
        if (fs::is_regular_file(c))
            return Relative(c, root);
    return std::nullopt;
}

struct Scan {
    int includes = 0;
    std::vector<std::string> findings;  // "file:line: what is wrong"
};

Scan ScanTree(const fs::path& root)
{
    Scan scan;
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    for (const char* top : {"src", "tools"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c"))
                continue;
            const std::string file = Relative(entry.path(), root);
            const std::optional<size_t> own = LayerOf(file);
            if (!own) {
                scan.findings.push_back(file + ":1: is in no layer; place its folder in the stack");
                continue;
            }
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch m;
                if (!std::regex_search(line, m, include))
                    continue;
                ++scan.includes;
                const std::string where = file + ":" + std::to_string(number) + ": #include \"" + m[1].str() + "\"";
                const std::optional<std::string> target = Resolve(root, entry.path(), m[1].str());
                if (!target) {
                    scan.findings.push_back(where + " names no file of the repository");
                    continue;
                }
                const std::optional<size_t> layer = LayerOf(*target);
                if (!layer)
                    scan.findings.push_back(where + " reaches " + *target + ", which is in no layer");
                else if (*layer > *own)
                    scan.findings.push_back(where + " points up the stack: " + kStack[*own] + " stands below " +
                                            kStack[*layer]);
            }
        }
    }
    return scan;
}

void Write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

}  // namespace

TEST(IncludeLayers, NoIncludePointsUpTheStack)
{
    const fs::path root = CREW_SOURCE_DIR;
    for (const std::string& folder : kStack)
        ASSERT_TRUE(fs::is_directory(root / folder)) << folder << " is missing: the stack above names it";
    const Scan scan = ScanTree(root);
    EXPECT_GT(scan.includes, 200) << "too few includes read: is the scan looking in the right place?";
    for (const std::string& finding : scan.findings)
        ADD_FAILURE() << finding;
}

TEST(IncludeLayers, NamesTheFileAndLineOfEachIncludeAgainstTheStack)
{
    const fs::path root = fs::temp_directory_path() / ("crew-layers-" + std::to_string(::getpid()));
    fs::remove_all(root);
    Write(root / "src/db/Database.h", "#pragma once\n#include \"db/Variant.h\"\n");
    Write(root / "src/db/Variant.h", "#pragma once\n#include \"run/RunState.h\"\n");
    Write(root / "src/run/RunState.h", "#pragma once\n#include \"db/Database.h\"\n");
    Write(root / "src/convert/CreateEq.cpp",
          "#include \"run/RunState.h\"\n#include \"import/Driver.h\"\n#include \"Local.h\"\n");
    Write(root / "src/convert/Local.h", "#pragma once\n");
    Write(root / "src/import/Driver.h", "#pragma once\n#include \"jet/reader/JetReader.h\"\n");
    Write(root / "src/jet/reader/JetReader.h", "#pragma once\n#include \"db/Database.h\"\n");
    Write(root / "src/extra/Thing.h", "#pragma once\n");
    Write(root / "tools/crew-tool.cpp", "#include \"mp2sample/Sample.h\"\n#include \"support/Fixture.h\"\n");
    Write(root / "tools/mp2sample/Sample.h", "#pragma once\n");

    const Scan scan = ScanTree(root);
    fs::remove_all(root);
    std::vector<std::string> sorted = scan.findings;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{
                          "src/convert/CreateEq.cpp:2: #include \"import/Driver.h\" points up the stack: src/convert "
                          "stands below src/import",
                          "src/db/Variant.h:2: #include \"run/RunState.h\" points up the stack: src/db stands below "
                          "src/run",
                          "src/extra/Thing.h:1: is in no layer; place its folder in the stack",
                          "src/import/Driver.h:2: #include \"jet/reader/JetReader.h\" points up the stack: src/import "
                          "stands below src/jet/reader",
                          "tools/crew-tool.cpp:2: #include \"support/Fixture.h\" names no file of the repository",
                      }));
}
