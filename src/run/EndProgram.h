#pragma once
// Ending the program is an exception carried up to main, which closes the databases and flushes
// and closes the import log on every way out.
#include <stdexcept>

struct EndProgram : std::runtime_error {
    explicit EndProgram(int status = 0) : std::runtime_error("end of program"), status(status) {}
    int status;  // 0 after a completed import, non-zero after every other end
};
